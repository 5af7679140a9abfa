#pragma once
// TfrmMain, the main window: menus, the main tool bar with the search box,
// the group tree DBTreeView1 beside PageControl1 (list, details, chart) and
// the status bar with the open file. It holds the window's controls and hands
// the commands to the records store (RecordStore with its cursors tblTree
// and tblGrid) and to the chart presentation (the chart page tsMing with its
// printing and picture export, the explanation window TfrmDBStar).

#include "ChartPage.h"
#include "RecordStore.h"
#include "Settings.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class Dialogs;
class GroupTreeModel;
class GroupTreeView;
class MemberListModel;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QTabWidget;
class TInfoPage;
class QTableView;
class QToolBar;
class QToolButton;
class TfrmDBStar;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Where the program keeps its files and what it was started with.
    struct StartUp {
        QStringList arguments;       // command-line arguments after the program
        QString programDir;          // the program's folder ("Sample.kvr", "00.dll")
        QString programPath;         // the program itself (file association)
        bool registerFileType = true;
    };

    // FormCreate: steps 1 to 6 of the start-up.
    TfrmMain(Dialogs &dialogs, const StartUp &startUp, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // True when the database could not be opened at start-up: the program
    // has shown "数据库打开失败。" and ends.
    bool startFailed() const { return m_startFailed; }

    RecordStore &store() { return m_store; }
    GroupTreeModel *treeModel() const { return m_treeModel; }
    const SettingsValues &settingsRead() const { return m_settingsRead; }
    QString StartDBFile() const { return m_startDBFile; }
    bool ShowSearch = true;
    // The hint after a chart is the chart page's flag (tsMing->ShowTutorial),
    // read from and saved to the settings here.

    // The explanation window made by the program entry beside this window.
    // Without one, the window makes its own when it is shown.
    void setExplanationWindow(TfrmDBStar *window);
    TfrmDBStar *explanationWindow() const { return m_frmDBStar; }
    // Step 11 of the start-up: the star table "00.dll" from the program's
    // folder, or from the installation's data folders. False when it cannot
    // be opened.
    bool OpenStarTable();

    // Where the sample database is kept: the program's folder, or the user's
    // data folder when the program's folder cannot be written.
    // An installed program counts as such when its data folder (beside its
    // own folder, bin/../share/qarn/kelo) holds "00.dll".
    static QString SamplePath(const QString &programDir);
    // The installation's data folder seen from the program's folder.
    static QString InstalledDataDir(const QString &programDir);

    // --- records (the window's side of the store's operations)
    bool NewDatabase(const QString &fileName);
    bool OpenDatabase(const QString &fileName);
    void CloseDatabase();
    void ApplyGridFilter();
    void ApplyTreeFilter();
    void SaveRecord();
    bool ConfirmPendingEdit();

    // --- settings, view switches, web site
    void LoadSettings();
    void SaveSettings();
    void ApplyTreeVisible();
    void ApplyToolsVisible();
    void OpenWebPage(const QString &address);
    int treeWidth() const;

    // --- commands
    void FileNewDBAccept();
    void FileOpenDBAccept();
    void actNewGroupExecute();
    void actNewMemberExecute();
    void actDelExecute();
    void actRenameExecute();
    void N10Click();
    void miExpandClick();
    void miCollapseClick();
    void miFullExpandClick();
    void miFullCollapseClick();
    void miDisplayPrivacyClick();
    void miSaveClick();
    void miSaveAndAddClick();
    void miCancelClick();
    void actSaveAndPanExecute();
    void aclMainUpdate();
    void DBTreeView1Click();
    void DBTreeView1DblClick();
    bool DBTreeView1Changing();
    void DBTreeView1DeleteKey();
    void DBTreeView1EndDragTreeNode(int targetId, int draggedId, bool copy);
    bool PageControl1Changing();
    void PageControl1Change();
    // A page change asked for by the user (tab click): through the checks.
    bool requestPage(int index);
    // The chart of the current member on the chart page.
    void ShowChart();
    // The current member of tblGrid as the chart is made for it; nothing
    // when the list holds no record.
    std::optional<ChartSubject> CurrentSubject() const;
    // Printing and picture export, handed to the chart page.
    void actPrintExecute();
    void N31Click();
    void actGifExportExecute();
    // Fills the birth controls of the details page.
    void ShowBirthday(double instant);
    // The search box: the member list goes to the first match of the text;
    // a click shows the search hint while ShowSearch is on.
    void edtSearchChange(const QString &text);
    void edtSearchClick();
    // "更改密码(&C)": the protection of the open database.
    void actEncryptExecute();

    // Runs a command on the error path: a KeloError is shown in the error
    // box and the program goes on.
    template <typename Work> bool guarded(Work &&work);

    // --- controls, named as the tests find them
    QToolBar *tbMain = nullptr;
    QLineEdit *edtSearch = nullptr;
    QSplitter *Splitter1 = nullptr;
    GroupTreeView *DBTreeView1 = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsInfo = nullptr;
    TInfoPage *InfoPage = nullptr;     // the details page's controls, inside tsInfo
    ChartPage *tsMing = nullptr;       // the chart page with the picture imgDisk
    QTableView *DBGridEh1 = nullptr;
    QLabel *StatusPanel = nullptr;
    QMenu *pmTree = nullptr;
    QMenu *pmSave = nullptr;
    QToolButton *tbSave = nullptr;

    QAction *FileNewDB, *FileOpenDB, *actGifExport, *N31, *actPrint;
    QAction *actCut, *actCopy, *actPaste, *actSelectAll;
    QAction *actViewTree, *actViewTools;
    QAction *actNewGroup, *actNewMember, *miExpand, *miCollapse, *miFullExpand, *miFullCollapse;
    QAction *actDel, *actRename, *N10;
    QAction *actEncrypt, *miDisplayPrivacy;
    QAction *miJiaocheng, *actJiaocheng, *W1;
    QAction *actSaveAndPan, *miSaveAndAdd, *miSave, *miCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void FormClose();
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildClient();
    void connectStore();
    void selectTreeCursor();
    void treeCursorFromView();
    void setPageBySystem(QWidget *page);
    void editCommand(int which);
    int currentTreeType() const;

    Dialogs &m_dialogs;
    StartUp m_startUp;
    TfrmDBStar *m_frmDBStar = nullptr;
    std::unique_ptr<TfrmDBStar> m_ownDBStar;
    RecordStore m_store;
    GroupTreeModel *m_treeModel = nullptr;
    MemberListModel *m_listModel = nullptr;
    QString m_startDBFile;
    SettingsValues m_settingsRead;
    int m_treeWidth = 185;
    bool m_shown = false;
    bool m_startFailed = false;
    int m_syncing = 0;                 // the tree and the cursor follow each other
    int m_pageGuard = 0;               // a page change made by the program itself
    int m_lastPage = 0;
    QList<int> m_expandedBeforeReset;
    int m_currentBeforeReset = 0;
};

#include "Dialogs.h"

template <typename Work> bool TfrmMain::guarded(Work &&work)
{
    return RunGuarded(m_dialogs, std::forward<Work>(work));
}
