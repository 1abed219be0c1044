// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPCommandSource.h"
#include "model/QZPPatch.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <utility>

class QWidget;
class QZPAudition;
class QZPError;
class QZPMidiEngine;
class QZPSidebarController;
class QZPWriteWindow;

// The commands that work with the instrument's program slots and ToneBench Sound's bank rather than the
// current preset: a preset's slot chosen on the instrument, a preset auditioned, presets or a bank file
// written into the slots by the owner's hand, a bank file loaded into ToneBench Sound.
class QZPInstrumentCommands : public QObject {
    Q_OBJECT

public:
    using ErrorPresenter = std::function<void(const QZPError& error, QWidget* window)>;
    using StatusShower = std::function<void(const QString& text)>;

    QZPInstrumentCommands(QZPMidiEngine* engine, QZPSidebarController* sidebar, QWidget* window,
                          ErrorPresenter presentError, StatusShower showStatus, QObject* parent = nullptr);

    // Who backs the slots up before they are written (Record Multiple).
    void setBackUp(std::function<void()> backUp) { m_backUp = std::move(backUp); }

    // The slot the preset came from, chosen on the instrument: its stored sound plays beside the file's.
    void selectOnInstrument(QZPCommandSource source);
    // The selected preset heard without making it current (QZPAudition).
    void audition(QZPCommandSource source);
    QZPAudition* auditionPlayer() const { return m_audition; }
    // The selected presets, in the list's order, written into the instrument's slots.
    QZPWriteWindow* writeToInstrument(QZPCommandSource source);
    // A bank file opened for the instrument: its patches written into the instrument's slots, each named
    // by the slot it holds, then the file ("A16 Juno"). Nothing when it cannot be read (said).
    QZPWriteWindow* writeBankFileToInstrument(const QString& path);
    // A bank file as ToneBench Sound's bank, each patch for the program it holds: how many it took.
    int loadBankFileIntoSound(const QString& path);
    // Asks for a bank file, then does `use` with it.
    void chooseBankFile(const QString& title, const std::function<void(const QString& path)>& use);

private:
    QZPWriteWindow* showWriteWindow(const QList<std::pair<QString, QZPPatch>>& presets);

    QZPMidiEngine* m_engine;
    QPointer<QZPSidebarController> m_sidebar;
    QPointer<QWidget> m_window;
    ErrorPresenter m_presentError;
    StatusShower m_showStatus;
    std::function<void()> m_backUp;
    QZPAudition* m_audition;
};
