// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class QZPURLPopUpButton;

// What assistive technology sees of a folder chooser: a combo box named as its owner names it ("Presets
// Folder"), its value the location shown, and its pop-up menu as its one child, so that the recent
// folders, "None" and the browse item are in the tree with their checked state. Its action opens the
// menu, as a click does.
class QZPURLPopUpButtonAccessible : public QAccessibleWidget {
public:
    explicit QZPURLPopUpButtonAccessible(QZPURLPopUpButton* button);

    // Makes every QZPURLPopUpButton answer with this interface (once per process).
    static void install();

    QString text(QAccessible::Text text) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QZPURLPopUpButton* button() const;
};
