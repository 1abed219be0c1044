// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;
class QZPPreset;
class QZPPresetsController;

// Stars and tags presets of the library for the list, its context menu and the Preset menu: only presets
// saved in the library's folder take marks (the others are said and left out); the tags are asked for as
// words ("#" before each optional), and a word that cannot be a tag is said and nothing changes. What it
// did goes to statusMessage; a file of marks that cannot be written is presented as an error.
class QZPMarksEditor : public QObject {
    Q_OBJECT

public:
    // `dialogParent` is the window the tags are asked in.
    QZPMarksEditor(QZPPresetsController* presets, QWidget* dialogParent, QObject* parent = nullptr);

    // Stars the presets, or takes the star away when every one has it.
    void toggleFavourite(QList<QZPPreset*> presets);
    // Asks for the presets' tags (the first one's shown) and gives all of them those.
    void editTags(QList<QZPPreset*> presets);

signals:
    void statusMessage(const QString& text);

private:
    QList<QZPPreset*> markable(QList<QZPPreset*> presets);

    QZPPresetsController* m_presets;
    QPointer<QWidget> m_dialogParent;
};
