#pragma once

#include <QPointer>
#include <QWidget>

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

    explicit QZPMessageView(QWidget* parent = nullptr);
    ~QZPMessageView() override;

    QString message() const { return m_message; }
    void setMessage(const QString& message);
    void showTemporaryMessage(const QString& text, double seconds);
    void dismissTemporaryMessage();

    bool isShowingTemporaryMessage() const;
    QString restingText() const;
    QString temporaryText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* makeLabel();

    QString m_message;
    QLabel* m_label;
    QLabel* m_tempLabel;
    QGraphicsOpacityEffect* m_labelOpacity;
    QGraphicsOpacityEffect* m_tempOpacity;
    QTimer* m_fadeOutTimer;
};
