// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPPatch.h"
#include "model/QZPPreset.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QZPEditorController;

// A/B against a reference: the current preset (A, the edit) and the patch it is compared with (B),
// which is the patch as it was opened, last saved or recorded, unless another preset or the clipboard's
// was chosen. Comparing shows B on the panel, read-only and marked, and sends it whole; the toggle
// again shows A and sends it whole; any change of the preset shows A, and the instrument follows the
// change. Whether comparing or not, the panel marks where B differs.
class QZPComparison : public QObject {
    Q_OBJECT

public:
    // Sends a whole patch to the instrument, framed as the current preset's.
    using Sender = std::function<void(const QZPPatch& patch)>;

    QZPComparison(QZPEditorController* editor, Sender send, QObject* parent = nullptr);

    // The preset of the window changed: the reference is its saved patch, and no comparison runs.
    void setPreset(QZPPreset* preset);
    bool isComparing() const { return m_comparing; }
    void setComparing(bool on);
    // Compares with another patch, `name` saying what it is (a preset's name, "clipboard").
    void compareWith(const QZPPatch& reference, const QString& name);
    QZPPatch reference() const;
    // "saved", or the name given with the other patch.
    QString referenceName() const;
    // What differs between the preset and the reference, in words, every difference; empty when not
    // comparing.
    QString differences() const;

signals:
    void comparingChanged(bool on);

private:
    void presetChanged(QZPPreset::Change change);
    // Shows B or A on the panel; answers whether that changed.
    bool show(bool on);
    void showMarks();

    QZPEditorController* m_editor;
    Sender m_send;
    QPointer<QZPPreset> m_preset;
    QMetaObject::Connection m_connection;
    std::optional<QZPPatch> m_other;
    QString m_otherName;
    bool m_comparing = false;
};
