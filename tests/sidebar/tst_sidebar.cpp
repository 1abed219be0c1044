// SPDX-License-Identifier: GPL-3.0-or-later
#include "QZPCapturingPresenter.h"
#include "QZPLibraryLookup.h"
#include "QZPMenuTitles.h"
#include "QZPTestFiles.h"
#include "QZPTestMain.h"
#include "library/QZPPresetMarks.h"
#include "library/QZPPresetsController.h"
#include "mainwindow/QZPDocumentController.h"
#include "model/QZPFileReference.h"
#include "model/QZPPreset.h"
#include "model/QZPSettings.h"
#include "sidebar/QZPFilterField.h"
#include "sidebar/QZPPresetListModel.h"
#include "sidebar/QZPSidebarController.h"
#include "sidebar/QZPSidebarControllerDelegate.h"
#include "sidebar/QZPTableView.h"
#include "sidebar/QZPTagCompleter.h"
#include "sidebar/QZPURLPopUpButton.h"
#include "sidebar/QZPURLPopUpButtonDelegate.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

using Id = QZPParameterId;

namespace {

class ChoiceRecorder : public QZPURLPopUpButtonDelegate {
public:
    void popUpButtonDidSelectURL(QZPURLPopUpButton*, const QUrl& url) override { chosen << url; }
    QList<QUrl> chosen;
};

class ActionRecorder : public QZPSidebarControllerDelegate {
public:
    void sidebarControllerDoubleClickAction(QZPSidebarController*, QObject*) override { ++doubleClicks; }
    void sidebarControllerReturnKeyAction(QZPSidebarController*, QObject*) override { ++returns; }
    void sidebarControllerSpaceKeyAction(QZPSidebarController*) override { ++spaces; }
    void sidebarControllerBrowsed(QZPSidebarController*) override { ++browses; }
    int doubleClicks = 0;
    int returns = 0;
    int spaces = 0;
    int browses = 0;
};

// Answers the next modal dialog or open menu with `action` once it shows.
void whenShown(std::function<bool()> answer) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (answer())
            timer->deleteLater();
    });
    timer->start();
}

} // namespace

class TestSidebar : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QZPDocumentController> m_documents;
    std::unique_ptr<QZPSidebarController> m_sidebar;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString write(const QString& name, quint8 first = 1) { return qzpWritePresetFile(path(name), first); }
    QZPPresetsController* library() { return m_documents->presetsController(); }
    QZPTableView* table() { return m_sidebar->tableView(); }
    void open(const QString& folder) {
        QSignalSpy refreshed(library(), &QZPPresetsController::refreshFinished);
        library()->setPresetsFolderURL(QUrl::fromLocalFile(folder));
        QVERIFY(refreshed.wait(5000));
        // The walk, then the patches read on a worker: nothing of the folder changes the rows after this.
        QTRY_VERIFY(!library()->isRefreshing() && !library()->isReadingPatches());
    }
    QStringList listed() { return qzpNames(library()->arrangedObjects()); }
    QZPPreset* named(const QString& name) { return qzpNamedPreset(library(), name); }
    QRect rowRect(int row) { return table()->visualRect(m_sidebar->listModel()->index(row, 0)); }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, modifiers, rowRect(row).center());
    }
    // A context click on the row (or at the point), running `inMenu` while its menu is open.
    void contextClick(QPoint at, std::function<void()> inMenu) {
        bool ran = false;
        whenShown([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return false;
            inMenu();
            menu->close();
            ran = true;
            return true;
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table()->viewport(), &event);
        QVERIFY(ran);
    }
    QAction* item(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

private slots:
    void init() {
        QZPSettings::standard()->remove(QZPSidebarController::FolderChooserAutosaveName);
        m_dir = std::make_unique<QTemporaryDir>();
        m_documents = std::make_unique<QZPDocumentController>();
        m_sidebar = std::make_unique<QZPSidebarController>(library());
        m_sidebar->view()->resize(260, 400);
        m_sidebar->view()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_sidebar->view()));
    }
    void cleanup() {
        m_sidebar.reset();
        m_documents.reset();
        m_dir.reset();
    }

    // The recents: how many are kept, in which order, and what is stored and restored.
    void chooserRecents() {
        for (const char* name : {"A", "B", "C", "D", "E", "F", "Folder 9", "Folder 10"})
            QDir().mkpath(path(name));
        const QString key = QStringLiteral("tests.chooser");
        const QString recentsKey = key + ".recentURLs";
        QZPSettings* settings = QZPSettings::standard();
        const auto url = [&](const char* name) {
            return QUrl::fromLocalFile(path(name));
        };
        const auto recentNames = [](const QZPURLPopUpButton& button) {
            QStringList result;
            for (const QUrl& recent : button.recentURLs())
                result << QFileInfo(recent.toLocalFile()).fileName();
            return result;
        };
        for (const auto& [set, expected] :
             {std::pair{-1, 5}, {-7, 5}, {0, 0}, {3, 3}, {254, 254}, {255, 254}, {100000, 254}}) {
            QZPURLPopUpButton button;
            button.setMaximumRecentURLCount(set);
            QCOMPARE(button.maximumRecentURLCount(), expected);
        }

        ChoiceRecorder delegate;
        auto button = std::make_unique<QZPURLPopUpButton>();
        button->setDelegate(&delegate);
        button->setAutosaveName(key);
        for (const char* name : {"A", "B", "C", "D", "E", "F", "C"})
            button->setURL(url(name));
        // The sixth pushes the oldest out, a chosen recent moves to the front; setURL does not notify.
        QCOMPARE(recentNames(*button), (QStringList{"C", "F", "E", "D", "B"}));
        QCOMPARE(settings->value(recentsKey).toStringList().size(), 5);
        QVERIFY(delegate.chosen.isEmpty());
        // Pop-up menu: current first, a separator, the other recents, then the commands.
        button->setAllowNone(true);
        button->setShowClearRecents(true);
        QCOMPARE(qzpMenuTitles(button->menu()),
                 (QStringList{"C[x]", "-", "F", "E", "D", "B", "-", "None", "Clear Recents", "Other…"}));

        // Restored: the same recents and current folder. A folder that went away in between is left out of
        // the menu and dropped from memory, but stays in the settings until the next save; one renamed
        // since is found by its identity.
        QDir(path("D")).removeRecursively();
        QVERIFY(QDir().rename(path("B"), path("B renamed")));
        button = std::make_unique<QZPURLPopUpButton>();
        button->setAutosaveName(key);
        QCOMPARE(button->URL(), url("C"));
        QCOMPARE(recentNames(*button), (QStringList{"C", "F", "E", "B renamed"}));
        QCOMPARE(settings->value(recentsKey).toStringList().size(), 5);
        button->setDelegate(&delegate);
        button->removeRecentItem(button->itemForURL(url("C")));
        QCOMPARE(button->URL(), url("F")); // the first remaining recent becomes current
        QCOMPARE(delegate.chosen.takeFirst(), url("F"));
        // Clear Recents leaves no current folder and says so.
        button->clearRecentURLs();
        QVERIFY(button->URL().isEmpty() && button->recentURLs().isEmpty());
        QCOMPARE(delegate.chosen.takeFirst(), QUrl());
        QVERIFY(!settings->hasUserValue(key) && !settings->hasUserValue(recentsKey));

        // Static order: natural, so 9 before 10; a count of 0 keeps none.
        button = std::make_unique<QZPURLPopUpButton>();
        button->setStaticMenuOrder(true);
        button->setURL(url("Folder 10"));
        button->setURL(url("Folder 9"));
        QCOMPARE(qzpMenuTitles(button->menu()).mid(0, 2), (QStringList{"Folder 9[x]", "Folder 10"}));
        button->setMaximumRecentURLCount(0);
        button->setURL(url("A"));
        QVERIFY(button->recentURLs().isEmpty());

        // A stored folder that is gone, or a file in its place, is forgotten at load.
        for (const QString& stored : {path("Gone"), write("NotAFolder.syx")}) {
            settings->setValue(key, QUrl::fromLocalFile(stored).toString());
            button = std::make_unique<QZPURLPopUpButton>();
            button->setAllowedFileTypes({QZPURLPopUpButton::FolderType});
            button->setAutosaveName(key);
            QZP_VERIFY(button->URL().isEmpty() && !settings->hasUserValue(key), stored);
        }
    }

    // The chooser's menu is there for everyone: in the accessibility tree (a combo box whose one child
    // is its menu, each location a checkable choice and the browse item a plain command), opened by its
    // accessible action, by Space and by Alt+Down. The current folder is always the first item, checked,
    // also when no recent names it; a recent folder made again at its old path is kept by that path.
    void chooserMenuForEveryone() {
        QDir().mkpath(path("Lib"));
        QDir().mkpath(path("Old"));
        const QString key = QStringLiteral("tests.chooser.menu");
        QZPSettings::standard()->setValue(key, QUrl::fromLocalFile(path("Lib")).toString());
        const QString oldBookmark = QZPFileReference::forPath(path("Old")).bookmarkData();
        QVERIFY(QDir(path("Old")).removeRecursively() && QDir().mkpath(path("Old"))); // another folder
        QZPSettings::standard()->setValue(key + ".recentURLs", QStringList{oldBookmark});
        QZPURLPopUpButton button;
        button.setAllowedFileTypes({QZPURLPopUpButton::FolderType});
        button.setAllowNone(true);
        button.setAutosaveName(key);
        button.setAccessibleName(QStringLiteral("Presets Folder"));
        button.show();
        QCOMPARE(button.recentURLs(), QList<QUrl>{QUrl::fromLocalFile(path("Old"))});
        QAccessibleInterface* chooser = QAccessible::queryAccessibleInterface(&button);
        QCOMPARE(chooser->role(), QAccessible::ComboBox);
        QCOMPARE(chooser->text(QAccessible::Name) + " = " + chooser->text(QAccessible::Value),
                 QStringLiteral("Presets Folder = Lib"));
        QCOMPARE(chooser->childCount(), 1);
        QAccessibleInterface* menu = chooser->child(0);
        QVERIFY(menu && menu->object() == button.menu() && chooser->indexOfChild(menu) == 0);
        QStringList tree;
        for (int i = 0; i < menu->childCount(); ++i) {
            const QAccessible::State state = menu->child(i)->state();
            tree << (menu->child(i)->role() == QAccessible::Separator
                         ? QStringLiteral("-")
                         : menu->child(i)->text(QAccessible::Name)) +
                        (state.checked     ? "[x]"
                         : state.checkable ? "[ ]"
                                           : "");
        }
        QCOMPARE(tree, (QStringList{"Lib[x]", "-", "Old[ ]", "-", "None[ ]", "Other…"}));

        // Each way in opens the menu: the accessible action, Space, Alt+Down.
        for (const int way : {0, 1, 2}) {
            bool opened = false;
            whenShown([&] {
                if (!button.menu()->isVisible())
                    return false;
                opened = true;
                button.menu()->close();
                return true;
            });
            if (way == 0)
                chooser->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
            else
                QTest::keyClick(&button, way == 1 ? Qt::Key_Space : Qt::Key_Down,
                                way == 1 ? Qt::NoModifier : Qt::AltModifier);
            QTRY_VERIFY2(opened, qPrintable(QString::number(way)));
        }
    }

    // The field keeps the ten latest filters, newest first, each once, and finds them again at the next
    // start; blank text is no filter to keep.
    void recentFilters() {
        const QString key = QStringLiteral("test.recentFilters");
        QStringList expected;
        {
            QZPFilterField field(nullptr, QZPSettings::standard());
            field.setRecentsAutosaveName(key);
            for (int n = 1; n <= QZPFilterField::MaximumRecentSearches; ++n) {
                field.addRecentSearch(QStringLiteral("f%1").arg(n));
                expected.prepend(QStringLiteral("f%1").arg(n));
            }
            QCOMPARE(field.recentSearches(), expected);
            field.addRecentSearch(QStringLiteral("f11"));
            field.addRecentSearch(QStringLiteral("f5"));
            field.addRecentSearch(QStringLiteral(" \t"));
            expected = QStringList{"f5", "f11", "f10", "f9", "f8", "f7", "f6", "f4", "f3", "f2"};
            QCOMPARE(field.recentSearches(), expected);
        }
        QZPFilterField again(nullptr, QZPSettings::standard());
        again.setRecentsAutosaveName(key);
        QCOMPARE(again.recentSearches(), expected);
        again.clearRecentSearches();
        QZPSettings::standard()->remove(key);
    }

    // The filter field and the modified-only switch together decide what the list shows.
    void filterTextAndModifiedFilter() {
        for (const char* name : {"Bass One", "Bass Two", "Crème Pad", "Lead"})
            write(QStringLiteral("Lib/%1.syx").arg(name));
        open(path("Lib"));
        QZPFilterField* field = m_sidebar->filterSearchField();
        QLabel* noResults = m_sidebar->noFilterResultsField();
        for (const char* name : {"Bass Two", "Lead"}) {
            named(name)->loadFileContents();
            named(name)->setValue(Id::VCF_Resonance, 5);
        }

        for (const auto& [text, modifiedOnly, shown, highlighted] :
             QList<std::tuple<QString, bool, QStringList, bool>>{
                 {"", false, {"Bass One", "Bass Two", "Crème Pad", "Lead"}, false},
                 {"   ", false, {"Bass One", "Bass Two", "Crème Pad", "Lead"}, false},
                 {"bass", false, {"Bass One", "Bass Two"}, true},
                 {" Pad", false, {"Crème Pad"}, true},
                 {" Bass", false, {}, true}, // leading space typed: matched as typed
                 {"CREME", false, {"Crème Pad"}, true},
                 {"", true, {"Bass Two", "Lead"}, false},
                 {"bass", true, {"Bass Two"}, true},
                 {"zzz", false, {}, true},
             }) {
            field->clear();
            QTest::keyClicks(field, text);
            m_sidebar->setFilterForModified(modifiedOnly);
            QCOMPARE(listed(), shown);
            QCOMPARE(field->isMagnifierHighlighted(), highlighted);
            QCOMPARE(field->isActive(), modifiedOnly);
            QCOMPARE(noResults->isVisible(), shown.isEmpty());
        }
        // The modified-only look holds with an empty field and no focus.
        field->clear();
        table()->setFocus();
        m_sidebar->setFilterForModified(true);
        QVERIFY(!field->isIdle());
        m_sidebar->setFilterForModified(false);
        QVERIFY(field->isIdle());

        // Return and Down in the field give the list the focus, the text kept and nothing inserted; Escape
        // clears the filter too.
        for (const auto& [key, kept] :
             {std::pair{Qt::Key_Return, true}, {Qt::Key_Down, true}, {Qt::Key_Escape, false}}) {
            field->setFocus();
            QTest::keyClicks(field, QStringLiteral("bass"));
            QTest::keyClick(field, key);
            QTRY_VERIFY(table()->hasFocus());
            QCOMPARE(field->text(), kept ? QStringLiteral("bass") : QString());
            QCOMPARE(listed().size(), kept ? 2 : 4);
            field->clear();
        }
        // The clear button shows only while there is text (also in a field never typed into), and clears
        // the filter.
        const auto clearButton = [](QZPFilterField* in) -> QToolButton* {
            for (QToolButton* button : in->findChildren<QToolButton*>())
                if (button->defaultAction() && button->defaultAction()->text() == QStringLiteral("Clear") &&
                    button->isVisibleTo(in))
                    return button;
            return nullptr;
        };
        QZPFilterField fresh(nullptr, QZPSettings::standard());
        QVERIFY(!clearButton(&fresh));
        QVERIFY(!clearButton(field));
        QTest::keyClicks(field, QStringLiteral("bass"));
        QVERIFY(clearButton(field));
        clearButton(field)->click();
        QVERIFY(field->text().isEmpty() && !clearButton(field));
        QCOMPARE(listed().size(), 4);
        // The used filter is among the recents of the magnifier's menu.
        QMenu* menu = field->makeRecentsMenu();
        QCOMPARE(qzpMenuTitles(menu), (QStringList{"Recent Filters", "bass", "-", "Clear Recents"}));
        item(menu, "Clear Recents")->trigger();
        menu = field->makeRecentsMenu();
        QVERIFY(item(menu, "No Items") && !item(menu, "Clear Recents")->isEnabled());
        field->clear();
    }

    // Stars from the star column and the command (on all, or off when all have one), tags typed in a dialog
    // (a word that cannot be a tag refused, nothing changed), both found with the filter's words; a query
    // that cannot hold says why in the field's tooltip and over the empty list.
    void starsTagsAndQueryWords() {
        for (const char* name : {"A", "B", "C"})
            write(QStringLiteral("Lib/%1.syx").arg(name));
        QSignalSpy read(library(), &QZPPresetsController::patchesRead);
        open(path("Lib"));
        QTRY_VERIFY(read.count() > 0);
        QZPCapturingPresenter presenter;
        const auto starred = [this] {
            QStringList names;
            for (int row = 0; row < library()->rowCount(); ++row)
                if (library()->index(row).data(QZPPresetsController::FavouriteRole).toBool())
                    names << library()->index(row).data().toString();
            return names;
        };
        clickRow(2);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->favouriteMarkerRect(rowRect(0)).center());
        QCOMPARE(starred(), QStringList{"A"});
        QCOMPARE(library()->selectionIndexes(), QList<int>{2}); // the selection stays
        QVERIFY(m_sidebar->listModel()
                    ->index(0, 0)
                    .data(Qt::AccessibleDescriptionRole)
                    .toString()
                    .contains("favourite"));
        QVERIFY(QFile::exists(path("Lib/") + QZPPresetMarks::FileName));
        clickRow(0);
        clickRow(1, Qt::ControlModifier);
        m_sidebar->toggleFavourite(QZPCommandSource::Menu);
        QCOMPARE(starred(), (QStringList{"A", "B"}));
        m_sidebar->toggleFavourite(QZPCommandSource::Menu);
        QCOMPARE(starred(), QStringList{});
        // Under a filter that hides the current preset (and so the selection), Favourite stars nothing.
        m_sidebar->setDocument(named("A"));
        m_sidebar->setFilterString(QStringLiteral("C"));
        QVERIFY(library()->selectedObjects().isEmpty());
        m_sidebar->toggleFavourite(QZPCommandSource::Menu);
        m_sidebar->setFilterString(QString());
        QCOMPARE(starred(), QStringList{});

        const auto typeTags = [this](const QString& text) {
            whenShown([text] {
                auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return false;
                dialog->setTextValue(text);
                dialog->accept();
                return true;
            });
            m_sidebar->editTags(QZPCommandSource::Menu);
        };
        clickRow(1);
        typeTags("#Pad  warm");
        QCOMPARE(library()->marksOf(named("B")).tags, (QStringList{"pad", "warm"}));
        typeTags("#pad bad#tag");
        QCOMPARE(presenter.errors.size(), 1);
        // The word being typed completes from the folder's tags; the words before it stay.
        QCOMPARE(library()->folderTags(), (QStringList{"pad", "warm"}));
        QLineEdit line(QStringLiteral("#pad #WA"));
        QZPTagCompleter completer(library()->folderTags(), &line);
        QCOMPARE(completer.splitPath(line.text()), QStringList{"#WA"});
        completer.setCompletionPrefix(QStringLiteral("#WA"));
        QCOMPARE(completer.currentCompletion(), QStringLiteral("#pad #warm"));
        QCOMPARE(completer.splitPath(QStringLiteral("pa")), QStringList{"#pa"});
        QCOMPARE(library()->marksOf(named("B")).tags, (QStringList{"pad", "warm"}));
        QZPFilterField* field = m_sidebar->filterSearchField();
        field->setText("#warm");
        QCOMPARE(listed(), QStringList{"B"});

        field->setText("vcf>300");
        QCOMPARE(listed(), QStringList{});
        QVERIFY(m_sidebar->noFilterResultsField()->isVisible());
        QVERIFY(m_sidebar->noFilterResultsField()->text().contains("300"));
        QCOMPARE(field->toolTip(), m_sidebar->noFilterResultsField()->text());
        // Values are read on the chosen scale, the panel's 0–10 unless told; a new choice reads the words
        // again at once.
        QVERIFY(field->toolTip().contains(QString::fromUtf8("takes 0–10, not")));
        QZPSettings::standard()->setValue(QZPSettings::ValueScaleKey, 2);
        QVERIFY(m_sidebar->noFilterResultsField()->text().contains(QString::fromUtf8("takes 0–127, not")));
        // A text longer than the field holds is cut, and that is said, not left to be found out.
        QGuiApplication::clipboard()->setText(QString(40000, QLatin1Char('x')));
        field->clear();
        field->paste();
        QCOMPARE(field->text().size(), field->maxLength());
        QVERIFY(field->toolTip().contains(QStringLiteral("the rest of the text was left out")));
        field->clear();
        QVERIFY(field->toolTip().contains("vcf>90") && field->toolTip().contains("VCF FREQ"));
        QZPSettings::standard()->remove(QZPSettings::ValueScaleKey);
        QVERIFY(field->toolTip().contains("vcf>7.1") &&
                field->toolTip().contains(QString::fromUtf8("(0–10)")));
        QVERIFY(presenter.errors.size() == 1);
    }

    // A context click acts on its row, or on the selection it falls in; empty space acts on nothing. The
    // draft-only items show for drafts only.
    void contextClickTargets() {
        for (const char* name : {"A", "B", "C", "D"})
            write(QStringLiteral("Lib/%1.syx").arg(name));
        open(path("Lib"));
        QZPPreset* draft = m_documents->newDocument();
        QCOMPARE(listed(), (QStringList{draft->displayName(), "A", "B", "C", "D"}));
        m_sidebar->setDocument(named("A"));
        clickRow(1);
        clickRow(2, Qt::ControlModifier);
        QCOMPARE(qzpNames(library()->selectedObjects()), (QStringList{"A", "B"}));

        QStringList actedOn;
        bool draftItems = false;
        const auto inMenu = [&] {
            actedOn = qzpNames(m_sidebar->documentsForSender(QZPCommandSource::ContextMenu));
            draftItems =
                m_sidebar->closeDraftMenuItem()->isVisible() && m_sidebar->recordMenuItem()->isVisible();
        };
        // Each click: where, then what it acts on and whether the draft's items show.
        for (const auto& [at, expected, forDraft] :
             {std::tuple{rowRect(3).center(), QStringList{"C"}, false},
              {rowRect(2).center(), {"A", "B"}, false},
              {rowRect(0).center(), QStringList{draft->displayName()}, true},
              {QPoint(20, table()->viewport()->height() - 5), QStringList{}, false}}) {
            contextClick(at, inMenu);
            QCOMPARE(actedOn, expected);
            QCOMPARE(draftItems, forDraft);
        }
        // Menus and keys act on the selection, or on the current preset without one.
        QCOMPARE(qzpNames(m_sidebar->documentsForSender(QZPCommandSource::Menu)), (QStringList{"A", "B"}));
        library()->setSelectedObjects({});
        QCOMPARE(qzpNames(m_sidebar->documentsForSender(QZPCommandSource::Menu)), QStringList{"A"});
    }

    // The active row follows the current preset; the selection follows the user. Return and double-click
    // go to the delegate; a refresh keeps the selection and the scroll position.
    void activeRowAndSelection() {
        for (int n = 0; n < 60; ++n)
            write(QStringLiteral("Lib/Preset %1.syx").arg(n, 2, 10, QLatin1Char('0')));
        open(path("Lib"));
        // Showing, painting and selecting the rows makes no preset objects.
        table()->viewport()->grab();
        table()->selectAll();
        QCOMPARE(library()->selectionIndexes().size(), 60);
        QVERIFY(library()->presets().isEmpty());
        ActionRecorder delegate;
        m_sidebar->setDelegate(&delegate);
        m_sidebar->setDocument(named("Preset 40"));
        QTRY_COMPARE(table()->activeRow(), 40);
        QCOMPARE(qzpNames(library()->selectedObjects()), QStringList{"Preset 40"});
        const QRect visible = table()->viewport()->rect();
        QTRY_VERIFY(visible.contains(rowRect(40)));

        clickRow(41);
        QCOMPARE(qzpNames(library()->selectedObjects()), QStringList{"Preset 41"});
        QCOMPARE(table()->activeRow(), 40);
        QTest::keyClick(table(), Qt::Key_Return);
        QTest::keyClick(table(), Qt::Key_Enter);
        clickRow(41);
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, rowRect(41).center());
        QCOMPARE(delegate.returns, 2);
        QCOMPARE(delegate.doubleClicks, 1);
        // Space asks to hear the selected row; a click on another row, or an arrow key, browses (a click
        // on the row already current does not).
        const int clicksBrowsed = delegate.browses;
        QCOMPARE(clicksBrowsed, 1); // the first click on 41
        QTest::keyClick(table(), Qt::Key_Space);
        QCOMPARE(delegate.spaces, 1);
        QApplication::setActiveWindow(table()->window());
        table()->setFocus();
        QTest::keyClick(table(), Qt::Key_Down);
        QCOMPARE(delegate.browses, 2);
        QCOMPARE(qzpNames(library()->selectedObjects()), QStringList{"Preset 42"});
        QTest::keyClick(table(), Qt::Key_Up);
        QCOMPARE(delegate.browses, 3);
        // With the setting on, a plain click makes the row current as a double click does; a click that
        // adds to the selection does not.
        QZPSettings::standard()->setValue(QZPSettings::ClickMakesCurrentKey, true);
        clickRow(43);
        QCOMPARE(delegate.doubleClicks, 2);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::ControlModifier, rowRect(44).center());
        QCOMPARE(delegate.doubleClicks, 2);
        QZPSettings::standard()->remove(QZPSettings::ClickMakesCurrentKey);
        clickRow(41);
        QCOMPARE(delegate.doubleClicks, 2);
        QCOMPARE(delegate.browses, 6);

        const int scrolled = table()->verticalScrollBar()->value();
        write("Lib/Preset 99.syx");
        library()->refreshAvailableDocumentsNow();
        QCOMPARE(listed().size(), 61);
        QCOMPARE(qzpNames(library()->selectedObjects()), QStringList{"Preset 41"});
        QVERIFY(table()->selectionModel()->isRowSelected(41, {}));
        QCOMPARE(table()->verticalScrollBar()->value(), scrolled);

        // Filtered out, the current preset marks no row.
        m_sidebar->setFilterString(QStringLiteral("Preset 1"));
        QTRY_COMPARE(table()->activeRow(), qint64(-1));
        m_sidebar->setFilterString(QString());
        QTRY_COMPARE(table()->activeRow(), 40);
        m_sidebar->setDelegate(nullptr);
    }

    // Inline rename: the file takes the name; Escape keeps the old one; a draft only beeps; a name that
    // is taken is refused with the file error and the row keeps its name.
    void inlineRename() {
        write("Lib/Bass.syx");
        write("Lib/Lead.syx");
        open(path("Lib"));
        QZPCapturingPresenter presenter;
        QZPPreset* bass = named("Bass");
        m_sidebar->setDocument(bass);
        const auto editor = [&] {
            return table()->findChild<QLineEdit*>();
        };

        m_sidebar->renameDocument(QZPCommandSource::Menu);
        QVERIFY(m_sidebar->allowEditing());
        QTRY_VERIFY(editor() && editor()->isVisible());
        QCOMPARE(editor()->selectedText(), QStringLiteral("Bass"));
        QTest::keyClick(editor(), Qt::Key_Escape);
        QTRY_VERIFY(!m_sidebar->allowEditing());
        QTRY_VERIFY(table()->hasFocus());
        QCOMPARE(bass->filePath(), path("Lib/Bass.syx"));

        const auto rename = [&](const QString& name) {
            QCOMPARE(library()->selectedObjects(), QList<QZPPreset*>{bass});
            m_sidebar->renameDocument(QZPCommandSource::Menu);
            QTRY_VERIFY(editor() && editor()->isVisible());
            QCOMPARE(editor()->selectedText(), bass->displayName());
            QTest::keyClicks(editor(), name);
            QCOMPARE(editor()->text(), name);
            QTest::keyClick(editor(), Qt::Key_Return);
            QTRY_VERIFY(!m_sidebar->allowEditing());
        };
        rename(QStringLiteral("Lead"));
        QTRY_COMPARE(presenter.errors.size(), 1);
        QCOMPARE(presenter.errors.first().code(), int(QZPError::FileWriteFileExists));
        QCOMPARE(bass->filePath(), path("Lib/Bass.syx"));
        rename(QStringLiteral("a/b"));
        QCOMPARE(presenter.errors.size(), 2);
        QCOMPARE(listed(), (QStringList{"Bass", "Lead"}));
        rename(QStringLiteral("Deep Bass"));
        QTRY_COMPARE(bass->filePath(), path("Lib/Deep Bass.syx"));
        QTRY_COMPARE(listed(), (QStringList{"Deep Bass", "Lead"}));
        QVERIFY(QFile::exists(path("Lib/Deep Bass.syx")));

        QZPPreset* draft = m_documents->newDocument();
        m_sidebar->setDocument(draft);
        m_sidebar->renameDocument(QZPCommandSource::Menu);
        QVERIFY(!m_sidebar->allowEditing() && (!editor() || !editor()->isVisible()));
    }

    // Rows leave as their files; files dropped in are copied under free names, and anything that is
    // not a preset is named in one message and not copied.
    void dragOutAndDropIn() {
        write("Lib/Bass.syx");
        open(path("Lib"));
        m_documents->newDocument();
        std::unique_ptr<QMimeData> out(m_sidebar->listModel()->mimeData(
            {m_sidebar->listModel()->index(0, 0), m_sidebar->listModel()->index(1, 0)}));
        QCOMPARE(out->urls(), QList<QUrl>{QUrl::fromLocalFile(path("Lib/Bass.syx"))});
        QVERIFY(
            !(m_sidebar->listModel()->flags(m_sidebar->listModel()->index(0, 0)) & Qt::ItemIsDragEnabled));

        QZPCapturingPresenter presenter;
        const QString elsewhere = write("Elsewhere/Bass.syx", 9);
        const QString text = path("Elsewhere/notes.txt");
        const QString broken = path("Elsewhere/Broken.syx");
        const QString bank = path("Elsewhere/Juno.syx"); // two Patch messages, the second of program A12
        QByteArray second = qzpPatchMessage(5);
        second[4] = char(1);
        QVERIFY(qzpWriteContents(text, {}) && qzpWriteContents(broken, "not a patch") &&
                qzpWriteContents(bank, qzpPatchMessage(4) + second));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(elsewhere), QUrl::fromLocalFile(text), QUrl::fromLocalFile(broken),
                      QUrl::fromLocalFile(bank)});
        QSignalSpy said(m_sidebar.get(), &QZPSidebarController::statusMessage);
        const QPoint at = table()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(table()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(table()->viewport(), &drop);

        QCOMPARE(qzpContents(path("Lib/Bass 2.syx")), qzpPatchMessage(9));
        QVERIFY(!QFile::exists(path("Lib/notes.txt")) && !QFile::exists(path("Lib/Broken.syx")));
        QCOMPARE(presenter.errors.size(), 1);
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.first().first().toString(), QStringLiteral("Copied 3 presets into “Lib”"));
        const QString message = presenter.errors.first().localizedFailureReason();
        QZP_VERIFY(message.contains("notes.txt") && message.contains("Broken.syx"), message);
        QTRY_VERIFY(listed().contains("Bass 2"));
        QCOMPARE(qzpContents(path("Lib/Juno A12.syx")), second);
        QTRY_VERIFY(listed().contains("Juno A12") &&
                    listed().contains("Juno " + QZPPreset::programNameForData(qzpPatchMessage(4))));
    }

    // Screen readers (and tests from outside) find the pane's controls and rows by name.
    void accessibleNames() {
        write("Lib/Bass.syx");
        open(path("Lib"));
        named("Bass")->loadFileContents();
        named("Bass")->setValue(Id::VCF_Resonance, 3);
        QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(m_sidebar->view());
        QHash<QString, QAccessibleInterface*> found;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            found.insert(node->text(QAccessible::Name), node);
            for (int i = 0; i < node->childCount(); ++i)
                if (QAccessibleInterface* child = node->child(i))
                    walk(child);
        };
        walk(pane);
        QVERIFY(found.contains("Presets Folder") && found.contains("Bass"));
        QCOMPARE(found.value("Filter")->role(), QAccessible::EditableText);
        QCOMPARE(found.value("Bass")->text(QAccessible::Description), QStringLiteral("edited"));

        // The list shows its focus: the keyboard's row is ringed in the highlight colour, only while the
        // list has the focus.
        QApplication::setActiveWindow(m_sidebar->view());
        table()->setCurrentIndex(m_sidebar->listModel()->index(0, 0));
        const QColor highlight = table()->palette().color(QPalette::Highlight);
        const auto ringed = [&] {
            table()->viewport()->repaint();
            const QImage image = table()->viewport()->grab().toImage();
            const QRect row = rowRect(0);
            const QColor edge = image.pixelColor(row.left() + 11, row.center().y());
            return std::abs(edge.red() - highlight.red()) + std::abs(edge.green() - highlight.green()) +
                       std::abs(edge.blue() - highlight.blue()) <
                   60;
        };
        table()->setFocus();
        QTRY_VERIFY(table()->hasFocus());
        QVERIFY(ringed());
        m_sidebar->filterSearchField()->setFocus();
        QTRY_VERIFY(!table()->hasFocus());
        QVERIFY(!ringed());

        // The row tells assistive technology it has the focus only while the list has it: with the focus
        // in another control it is still selected, not focused; back in the list it is focused again, and
        // the keyboard's row is where it was.
        const auto row = [this] {
            return QAccessible::queryAccessibleInterface(table())->child(0)->state();
        };
        table()->selectionModel()->select(m_sidebar->listModel()->index(0, 0), QItemSelectionModel::Select);
        QVERIFY(!row().focused && row().selected);
        table()->setFocus();
        QTRY_VERIFY(table()->hasFocus());
        QVERIFY(row().focused && row().selected);
        m_sidebar->filterSearchField()->setFocus();
        QTRY_VERIFY(!table()->hasFocus());
        QVERIFY(!row().focused && row().selected);
        table()->setFocus();
        QTRY_VERIFY(table()->hasFocus());
        QVERIFY(row().focused);
        QCOMPARE(table()->currentIndex().row(), 0);
    }
};

QZP_TEST_WIDGETS_MAIN(TestSidebar)
#include "tst_sidebar.moc"
