// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QGraphicsOpacityEffect;
class QTimer;

// The editor's one-line display: the resting text (the preset's name) in capitals; a temporary message
// in its place for a while after each edit, then a 0.2 s cross-fade back. A message shown during a
// slider drag stays up until the drag has ended; every new message restarts the time.
class QZPMessageView : public QWidget {
    Q_OBJECT

public:
    static constexpr int CrossFadeMs = 200;
    // While a mouse button is held (a slider drag) the message stays; this often the view looks again.
    static constexpr int DragRetryMs = 50;
    // Monotonic time in milliseconds.
    using Clock = std::function<qint64()>;

    explicit QZPMessageView(QWidget* parent = nullptr);
    ~QZPMessageView() override;

    QString message() const { return m_message; }
    void setMessage(const QString& message);
    void showTemporaryMessage(const QString& text, double seconds);
    void dismissTemporaryMessage();

    // Tests drive time themselves and call tick(); the timer then stays off.
    void setClock(Clock clock);
    // Dismisses the temporary message when its time is up (and no mouse button is held).
    void tick();

    // Whether a temporary message is up (from showing it until its dismissal begins the cross-fade).
    bool isShowingTemporaryMessage() const { return m_showingTemporary; }
    QString restingText() const;
    QString temporaryText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* makeLabel();
    qint64 now() const;
    void schedule(qint64 delayMs);

    QString m_message;
    QLabel* m_label;
    QLabel* m_tempLabel;
    QGraphicsOpacityEffect* m_labelOpacity;
    QGraphicsOpacityEffect* m_tempOpacity;
    QTimer* m_fadeOutTimer;
    Clock m_clock;
    bool m_externalClock = false;
    QElapsedTimer m_elapsed;
    // When the temporary message goes.
    qint64 m_dismissAt = 0;
    bool m_showingTemporary = false;
};
