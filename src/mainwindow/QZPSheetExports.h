// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QPainter;
class QRectF;
class QWidget;
class QZPEditorController;
class QZPError;

// File ▸ Export Patch Sheet… (the current patch as PDF, SVG or PNG: the panel with its values) and
// File ▸ Export Slot List… (names in the program slots A11–B88 on one A4 page, as Write to Instrument
// would put the selected presets there, in the list's order).
class QZPSheetExports : public QObject {
    Q_OBJECT

public:
    using ErrorPresenter = std::function<void(const QZPError&, QWidget*)>;
    QZPSheetExports(QZPEditorController* editor, QWidget* window, ErrorPresenter presentError,
                    QObject* parent = nullptr);

    // The instrument's 128 program slots.
    static constexpr int SlotCount = 128;

    void exportPatchSheet();
    bool exportPatchSheetToFile(const QString& path, QZPError* error) const;
    // `names` in slot order from A11; more than 128 is refused.
    void exportSlotList(const QStringList& names);
    static bool exportSlotListToFile(const QString& path, const QStringList& names, const QString& title,
                                     QZPError* error);
    // Draws the slot list page: the title, then banks A and B side by side, a slot a line.
    static void paintSlotList(QPainter& painter, const QRectF& target, const QStringList& names,
                              const QString& title);

private:
    // Asks where to write; empty when the user cancels.
    QString askForPath(const QString& title, const QString& name, bool onlyPdf) const;

    QZPEditorController* m_editor;
    QPointer<QWidget> m_window;
    ErrorPresenter m_presentError;
};
