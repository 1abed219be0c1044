// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <utility>

class QKeyEvent;
class QZPKeyEvent;
class QZPMidiClaviature;
class QZPMidiClaviatureSource;

// The computer keyboard's way to the note player, over the whole application: letter keys play notes
// while the main window (or a window that allows it, as far as it allows it) is the active one, never
// into a text field, never under a dialog or an open menu. A release always reaches the note player, so
// that the note its press started ends; a window that moves, hides, closes or gives up the keys, and a
// text field that takes them, end every sounding note.
class QZPNotePlayerKeyFilter : public QObject {
    Q_OBJECT

public:
    QZPNotePlayerKeyFilter(QZPMidiClaviature* claviature, QWidget* mainWindow, QObject* parent = nullptr);
    ~QZPNotePlayerKeyFilter() override;

    // Another window that lets the keys play while it allows it.
    void addSource(QWidget* window, QZPMidiClaviatureSource* source);

    static bool isTextEditor(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QObject* watched, QKeyEvent* key);
    bool mayPlay(QWidget* window, const QZPKeyEvent& event) const;

    QZPMidiClaviature* m_claviature;
    QPointer<QWidget> m_mainWindow;
    QList<std::pair<QPointer<QWidget>, QZPMidiClaviatureSource*>> m_sources;
};
