// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QZPDocumentController;
class QZPError;
class QZPPreset;

// What the window does with preset files: saving the current preset (a draft asks where), the question
// about an edited preset before it goes, closing presets (the window is never left without one), moving
// presets to the Trash after asking, and exporting the list.
class QZPPresetFileActions : public QObject {
    Q_OBJECT

public:
    // The question about an edited preset (tests answer it): Save, Don't Save or Cancel.
    enum class ReviewAnswer { Save, DontSave, Cancel };
    using ReviewQuestion = std::function<ReviewAnswer(QZPPreset* preset, QWidget* window)>;
    // How errors reach the user: the error, and the window to attach it to (none: application-modal).
    using ErrorPresenter = std::function<void(const QZPError& error, QWidget* window)>;
    using CurrentPreset = std::function<QZPPreset*()>;

    QZPPresetFileActions(QZPDocumentController* documents, QWidget* window, CurrentPreset currentPreset,
                         ErrorPresenter presentError, QObject* parent = nullptr);

    void setReviewQuestion(ReviewQuestion ask) { m_askReview = std::move(ask); }

    // Saves the current preset (a draft asks where); answers whether it was saved.
    bool save();
    bool saveAs();
    // Whether the user let the preset go: it was saved, or its changes were discarded.
    bool reviewChanges(QZPPreset* preset);

    // The preset that takes the current one's place: the one before it in the list, or after it when it
    // is first. A current preset that is not listed (filtered out) gives way to the first listed one.
    QZPPreset* nextPreset() const;
    void close(const QList<QZPPreset*>& presets);
    // The Close commands: each edited preset is offered for saving first; Cancel closes nothing.
    bool closeAfterReview(const QList<QZPPreset*>& presets);
    // Asks, then moves the presets' files to the Trash and closes them.
    void moveToTrash(const QList<QZPPreset*>& presets);

    // Writes the list as a property list (an array of "name"/"data" dictionaries), atomically.
    bool exportListToFile(const QString& path, QZPError* error) const;
    // Asks where, then writes the list.
    void exportList();

signals:
    // What a command did, for the status bar ("Moved “Bass” to the Trash").
    void statusMessage(const QString& text);

private:
    QZPDocumentController* m_documents;
    QPointer<QWidget> m_window;
    CurrentPreset m_currentPreset;
    ErrorPresenter m_presentError;
    ReviewQuestion m_askReview;
};
