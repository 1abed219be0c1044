// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QZPMainWindowController;
class QZPPresetsController;

// A ".syx" file with several Patch messages, opened from the desktop, the command line or a second start,
// is a bank: it is offered for import into the library's folder, with the import's progress and outcome
// said in the main window. The same bank handed over again while it is asked about or imported joins the
// one under way.
class QZPBankImportOffer : public QObject {
    Q_OBJECT

public:
    // `window`: the main window, made when first asked for (only a bank needs it).
    QZPBankImportOffer(QZPPresetsController* library, std::function<QZPMainWindowController*()> window,
                       QObject* parent = nullptr);

    // Answers whether `path` is a bank (asked about, imported or refused here); false leaves the file to be
    // opened as a preset.
    bool offer(const QString& path);

private:
    QZPPresetsController* m_library;
    std::function<QZPMainWindowController*()> m_window;
    QSet<QString> m_banksInHand;
};
