// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include <QSizeF>
#include <QString>

class QPainter;
class QRectF;
class QZPEditorController;

// A sheet of the current patch to print or share: its name, the panel as it is drawn, each slider's value
// written under it (on the chosen value scale), and the switches' settings in words.
class QZPPatchSheet {
public:
    explicit QZPPatchSheet(QZPEditorController* editor) : m_editor(editor) {}
    // The sheet's own size in points.
    QSizeF size() const;
    void paint(QPainter& painter, const QRectF& target) const;
    // Writes it as PDF, SVG or PNG, by the file's extension.
    bool write(const QString& path, QZPError* error) const;
    // The switches' settings in words: "DCO RANGE 8' · DCO WAVE Saw on · …".
    QString switchesText() const;

private:
    static constexpr double TitleHeight = 34;
    static constexpr double NumbersHeight = 22;
    static constexpr double SwitchesHeight = 40;
    QZPEditorController* m_editor;
};
