// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/QZPNotePlayerKeyFilter.h"

#include "midi/QZPKeyEvent.h"
#include "midi/QZPMidiClaviature.h"
#include "midi/QZPMidiClaviatureSource.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

QZPNotePlayerKeyFilter::QZPNotePlayerKeyFilter(QZPMidiClaviature* claviature, QWidget* mainWindow,
                                               QObject* parent)
    : QObject(parent), m_claviature(claviature), m_mainWindow(mainWindow) {
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (isTextEditor(now))
            m_claviature->releaseAllKeys();
    });
}

QZPNotePlayerKeyFilter::~QZPNotePlayerKeyFilter() {
    qApp->removeEventFilter(this);
}

void QZPNotePlayerKeyFilter::addSource(QWidget* window, QZPMidiClaviatureSource* source) {
    m_sources.append({window, source});
}

bool QZPNotePlayerKeyFilter::isTextEditor(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget);
}

bool QZPNotePlayerKeyFilter::mayPlay(QWidget* window, const QZPKeyEvent& event) const {
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    const QWidget* focus = QApplication::focusWidget();
    if (isTextEditor(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return false;
    if (window == m_mainWindow)
        return true;
    for (const auto& [sourceWindow, source] : m_sources)
        if (sourceWindow == window)
            return source->claviaShouldProcessKeyboardEvent(m_claviature, event);
    return false;
}

bool QZPNotePlayerKeyFilter::handleKey(QObject* watched, QKeyEvent* key) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    const QZPKeyEvent event(
        key->type() == QEvent::KeyPress ? QZPKeyEvent::Type::KeyDown : QZPKeyEvent::Type::KeyUp,
        QZPKeyEvent::keyCodeForNativeScanCode(key->nativeScanCode()),
        QZPKeyEvent::modifierFlags(key->modifiers(), QZPKeyEvent::capsLockIsOn(key->nativeModifiers())),
        key->isAutoRepeat());
    const bool allowed = mayPlay(widget->window(), event);
    if (event.type() == QZPKeyEvent::Type::KeyUp) {
        const bool used = m_claviature->processKeyboardEvent(event);
        return allowed && used;
    }
    return allowed && m_claviature->processKeyboardEvent(event);
}

bool QZPNotePlayerKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return handleKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::WindowDeactivate:
    case QEvent::Move:
    case QEvent::Hide:
    case QEvent::Close:
        // A window that moves, hides or gives up the keys takes no held key's release with it: every
        // sounding note ends. (Menus and tool tips come and go without that.)
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow() &&
                                                            widget->windowType() != Qt::Popup &&
                                                            widget->windowType() != Qt::ToolTip)
            m_claviature->releaseAllKeys();
        return false;
    default:
        return false;
    }
}
