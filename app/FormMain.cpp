#include "FormMain.h"

#include "ChgPwdFrm.h"
#include "DBStarFrm.h"
#include "Dialogs.h"
#include "FileAssociation.h"
#include "GroupTreeModel.h"
#include "GroupTreeView.h"
#include "Icons.h"
#include "InfoPageFrm.h"
#include "MemberListModel.h"
#include "MemberSearch.h"
#include "ShowSearchFrm.h"
#include "UsersCursor.h"


#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryFile>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <iterator>

namespace {

const QString kDbFilter = QStringLiteral("数据库(*.kvr)");

// Where the window's settings are kept.
QSettings WindowSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qarn"), QStringLiteral("kelo"));
}

// The list of members: its columns keep their widths in proportion when the
// list is wider or narrower than their sum.
class MemberGrid : public QTableView {
public:
    using QTableView::QTableView;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QTableView::resizeEvent(event);
        fitColumns();
    }

public:
    void fitColumns()
    {
        const int available = viewport()->width();
        if (available <= 0 || !model())
            return;
        int total = 0;
        for (const auto &c : MemberListModel::Columns)
            total += c.width;
        int used = 0;
        constexpr int columns = int(std::size(MemberListModel::Columns));
        for (int i = 0; i < columns; ++i) {
            const int w = i == columns - 1 ? std::max(20, available - used)
                                 : MemberListModel::Columns[i].width * available / total;
            horizontalHeader()->resizeSection(i, w);
            used += w;
        }
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Creation (FormCreate)

TfrmMain::TfrmMain(Dialogs &dialogs, const StartUp &startUp, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_startUp(startUp)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelo 5.3"));
    setWindowIcon(MakeIcon(KeloIcon::Program));
    resize(1200, 800);
    // 宋体 at 12 pixels; the installed Ming serif takes its place.
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(12);
    QApplication::setFont(font);
    setFont(font);

    m_treeModel = new GroupTreeModel(m_store.tblTree, this);
    m_treeModel->setTypeDecoration(TypeMember, MakeIcon(KeloIcon::Member));
    m_treeModel->setTypeDecoration(TypeGroup, MakeIcon(KeloIcon::Group));
    m_treeModel->setTypeDecoration(TypeRoot, MakeIcon(KeloIcon::Root));
    m_listModel = new MemberListModel(m_store.tblGrid, this);

    buildActions();
    buildMenus();
    buildToolBar();
    buildClient();
    connectStore();

    // 1. The first argument is how a double-clicked kvr file arrives.
    const QString argument = m_startUp.arguments.value(0);
    // 2.
    LoadSettings();
    // 3.
    if (!argument.isEmpty())
        m_startDBFile = argument;
    // 4.
    if (m_startUp.registerFileType)
        RegisterFileType(m_startUp.programPath);
    // 5. Charts are printed across the page.
    tsMing->Printing.SetLandscapeWhenPrinterExists();
    // 6. The chart drawer TKeloDraw was made with the chart page and lives
    // as long as the window.
    aclMainUpdate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::buildActions()
{
    auto make = [this](QAction *&a, const char *name, const QString &text, const QKeySequence &key = {}) {
        a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        addAction(a);
        return a;
    };
    make(FileNewDB, "FileNewDB", QStringLiteral("新建数据库(&N)..."), QKeySequence(Qt::CTRL | Qt::Key_N));
    make(FileOpenDB, "FileOpenDB", QStringLiteral("打开数据库(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    make(actGifExport, "actGifExport", QStringLiteral("导出图片(&E)"), QKeySequence(Qt::CTRL | Qt::Key_E));
    make(N31, "N31", QStringLiteral("打印设置(&U)..."));
    make(actPrint, "actPrint", QStringLiteral("打印(&P)..."), QKeySequence(Qt::CTRL | Qt::Key_P));
    make(actCut, "actCut", QStringLiteral("剪切(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
    make(actCopy, "actCopy", QStringLiteral("复制(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    make(actPaste, "actPaste", QStringLiteral("粘贴(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
    make(actSelectAll, "actSelectAll", QStringLiteral("全选(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));
    make(actViewTree, "actViewTree", QStringLiteral("树形目录(&L)"), QKeySequence(Qt::CTRL | Qt::Key_D));
    make(actViewTools, "actViewTools", QStringLiteral("工具栏(&T)"));
    make(actNewGroup, "actNewGroup", QStringLiteral("新建组(&G)"), QKeySequence(Qt::Key_F6));
    make(actNewMember, "actNewMember", QStringLiteral("新建组员(&C)"), QKeySequence(Qt::Key_F7));
    make(miExpand, "miExpand", QStringLiteral("展开(&E)"));
    make(miCollapse, "miCollapse", QStringLiteral("收拢(&C)"));
    make(miFullExpand, "miFullExpand", QStringLiteral("全部展开(&Z)"));
    make(miFullCollapse, "miFullCollapse", QStringLiteral("全部收拢(&S)"));
    make(actDel, "actDel", QStringLiteral("删除(&D)"));
    make(actRename, "actRename", QStringLiteral("重命名(&R)"), QKeySequence(Qt::Key_F2));
    make(N10, "N10", QStringLiteral("移动(&M)..."));
    make(actEncrypt, "actEncrypt", QStringLiteral("更改密码(&C)"));
    make(miDisplayPrivacy, "miDisplayPrivacy", QStringLiteral("显示保密成员(&D)"));
    make(miJiaocheng, "miJiaocheng", QStringLiteral("Kelo教程"));
    make(actJiaocheng, "actJiaocheng", QStringLiteral("斗数教程"));
    make(W1, "W1", QStringLiteral("访问网站(&W)"));
    make(actSaveAndPan, "actSaveAndPan", QStringLiteral("保存并排盘(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    make(miSaveAndAdd, "miSaveAndAdd", QStringLiteral("保存并增加(&A)"));
    make(miSave, "miSave", QStringLiteral("保存(&V)"));
    make(miCancel, "miCancel", QStringLiteral("取消(&C)"));

    actViewTree->setCheckable(true);
    actViewTools->setCheckable(true);
    miDisplayPrivacy->setCheckable(true);
    actViewTree->setChecked(true);
    actViewTools->setChecked(true);

    actNewMember->setIcon(MakeIcon(KeloIcon::NewMember));
    actDel->setIcon(MakeIcon(KeloIcon::Delete));
    actGifExport->setIcon(MakeIcon(KeloIcon::Picture));
    actPrint->setIcon(MakeIcon(KeloIcon::Print));
    W1->setIcon(MakeIcon(KeloIcon::Web));
    actSaveAndPan->setIcon(MakeIcon(KeloIcon::Save));

    auto on = [this](QAction *a, void (TfrmMain::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(FileNewDB, &TfrmMain::FileNewDBAccept);
    on(FileOpenDB, &TfrmMain::FileOpenDBAccept);
    on(actViewTree, &TfrmMain::ApplyTreeVisible);
    on(actViewTools, &TfrmMain::ApplyToolsVisible);
    on(actNewGroup, &TfrmMain::actNewGroupExecute);
    on(actNewMember, &TfrmMain::actNewMemberExecute);
    on(miExpand, &TfrmMain::miExpandClick);
    on(miCollapse, &TfrmMain::miCollapseClick);
    on(miFullExpand, &TfrmMain::miFullExpandClick);
    on(miFullCollapse, &TfrmMain::miFullCollapseClick);
    on(actDel, &TfrmMain::actDelExecute);
    on(actRename, &TfrmMain::actRenameExecute);
    on(N10, &TfrmMain::N10Click);
    on(miDisplayPrivacy, &TfrmMain::miDisplayPrivacyClick);
    on(actEncrypt, &TfrmMain::actEncryptExecute);
    on(actSaveAndPan, &TfrmMain::actSaveAndPanExecute);
    on(miSaveAndAdd, &TfrmMain::miSaveAndAddClick);
    on(miSave, &TfrmMain::miSaveClick);
    on(miCancel, &TfrmMain::miCancelClick);
    on(actPrint, &TfrmMain::actPrintExecute);
    on(N31, &TfrmMain::N31Click);
    on(actGifExport, &TfrmMain::actGifExportExecute);
    const QString site = QStringLiteral(KELO_WEBSITE);
    for (QAction *a : {miJiaocheng, actJiaocheng, W1})
        connect(a, &QAction::triggered, this, [this, site] { guarded([&] { OpenWebPage(site); }); });
    connect(actCut, &QAction::triggered, this, [this] { editCommand(0); });
    connect(actCopy, &QAction::triggered, this, [this] { editCommand(1); });
    connect(actPaste, &QAction::triggered, this, [this] { editCommand(2); });
    connect(actSelectAll, &QAction::triggered, this, [this] { editCommand(3); });
}

void TfrmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto menu = [bar](const char *name, const QString &title) {
        QMenu *m = bar->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    QMenu *file = menu("miFile", QStringLiteral("文件(&F)"));
    file->addActions({FileNewDB, FileOpenDB});
    file->addSeparator();
    file->addAction(actGifExport);
    file->addSeparator();
    file->addActions({N31, actPrint});
    QMenu *edit = menu("miEdit", QStringLiteral("编辑(&E)"));
    edit->addActions({actCut, actCopy, actPaste});
    QMenu *view = menu("miView", QStringLiteral("查看(&V)"));
    view->addActions({actViewTree, actViewTools});
    QMenu *node = menu("miNode", QStringLiteral("节点(&D)"));
    node->addActions({actNewGroup, actNewMember});
    node->addSeparator();
    node->addActions({miExpand, miCollapse, miFullExpand, miFullCollapse});
    node->addSeparator();
    node->addActions({actDel, actRename, N10});
    QMenu *rights = menu("miRights", QStringLiteral("权限(&Q)"));
    rights->addAction(actEncrypt);
    rights->addSeparator();
    rights->addAction(miDisplayPrivacy);
    QMenu *help = menu("miHelp", QStringLiteral("帮助(&H)"));
    help->addActions({miJiaocheng, W1});

    pmTree = new QMenu(this);
    pmTree->setObjectName(QStringLiteral("pmTree"));
    pmTree->addActions({actNewGroup, actNewMember});
    pmTree->addSeparator();
    pmTree->addActions({actDel, actRename});

    pmSave = new QMenu(this);
    pmSave->setObjectName(QStringLiteral("pmSave"));
    pmSave->addActions({actSaveAndPan, miSaveAndAdd});
    pmSave->addSeparator();
    pmSave->addActions({miSave, miCancel});
}

void TfrmMain::buildToolBar()
{
    tbMain = addToolBar(QStringLiteral("工具栏"));
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(false);
    tbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbMain->setIconSize(QSize(24, 24));
    // Tool buttons carry their own short captions and follow the enabled
    // state of the command they run.
    auto button = [this](QAction *command, const QString &caption, const char *name) {
        auto *a = new QAction(command->icon(), caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(command->isEnabled());
        connect(a, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::changed, a, [a, command] { a->setEnabled(command->isEnabled()); });
        tbMain->addAction(a);
        return a;
    };
    button(actNewMember, QStringLiteral("新增"), "tbNew");
    tbSave = new QToolButton(this);
    tbSave->setObjectName(QStringLiteral("tbSave"));
    tbSave->setText(QStringLiteral("保存"));
    tbSave->setIcon(MakeIcon(KeloIcon::Save));
    tbSave->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbSave->setMenu(pmSave);
    tbSave->setPopupMode(QToolButton::InstantPopup);
    tbMain->addWidget(tbSave);
    button(actDel, QStringLiteral("删除"), "tbDelete");
    button(actGifExport, QStringLiteral("图片"), "tbPicture");
    button(actPrint, QStringLiteral("打印"), "tbPrint");
    tbMain->addSeparator();
    button(W1, QStringLiteral("网站"), "tbWeb");
    tbMain->addSeparator();

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlSearch"));
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 0, 6, 0);
    auto *label = new QLabel(QStringLiteral("查找"), panel);
    label->setObjectName(QStringLiteral("lblSearch"));
    edtSearch = new QLineEdit(panel);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setToolTip(QStringLiteral("可输入拼音缩写"));
    edtSearch->setFixedWidth(140);
    label->setBuddy(edtSearch);
    connect(edtSearch, &QLineEdit::textChanged, this,
            [this](const QString &text) { guarded([&] { edtSearchChange(text); }); });
    edtSearch->installEventFilter(this);
    layout->addWidget(label);
    layout->addWidget(edtSearch);
    panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    tbMain->addWidget(panel);
}

void TfrmMain::buildClient()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setHandleWidth(3);

    DBTreeView1 = new GroupTreeView(Splitter1);
    DBTreeView1->setObjectName(QStringLiteral("DBTreeView1"));
    DBTreeView1->setModel(m_treeModel);
    DBTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    DBTreeView1->setMinimumWidth(20);
    DBTreeView1->changing = [this] { return DBTreeView1Changing(); };

    PageControl1 = new QTabWidget(Splitter1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsList = new QWidget;
    tsList->setObjectName(QStringLiteral("tsList"));
    tsInfo = new QWidget;
    tsInfo->setObjectName(QStringLiteral("tsInfo"));
    // The chart page: the picture imgDisk, its clicks and the hint after a
    // chart; it reports through the window's dialogs, and the hint's button
    // runs the window's tutorial command.
    tsMing = new ChartPage;
    tsMing->setObjectName(QStringLiteral("tsMing"));
    tsMing->setDialogs(&m_dialogs);
    tsMing->setTutorialAction(actJiaocheng);
    PageControl1->addTab(tsList, QStringLiteral("列表"));
    PageControl1->addTab(tsInfo, QStringLiteral("资料"));
    PageControl1->addTab(tsMing, QStringLiteral("命盘"));
    PageControl1->tabBar()->installEventFilter(this);
    InfoPage = new TInfoPage(m_store.tblGrid, m_dialogs, tsInfo);
    auto *infoLayout = new QVBoxLayout(tsInfo);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->addWidget(InfoPage);

    auto *grid = new MemberGrid(tsList);
    DBGridEh1 = grid;
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(m_listModel);
    DBGridEh1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBGridEh1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DBGridEh1->verticalHeader()->setDefaultSectionSize(18);
    DBGridEh1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGridEh1->verticalHeader()->setFixedWidth(12);
    DBGridEh1->horizontalHeader()->setHighlightSections(false);
    DBGridEh1->setWordWrap(false);
    for (int i = 0; i < int(std::size(MemberListModel::Columns)); ++i)
        DBGridEh1->setColumnWidth(i, MemberListModel::Columns[i].width);
    auto *listLayout = new QVBoxLayout(tsList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(DBGridEh1);

    Splitter1->addWidget(DBTreeView1);
    Splitter1->addWidget(PageControl1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({m_treeWidth, 1200 - m_treeWidth});
    setCentralWidget(Splitter1);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] {
        if (DBTreeView1->isVisible())
            m_treeWidth = Splitter1->sizes().value(0, m_treeWidth);
    });

    auto *status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel = new QLabel(status);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    status->addWidget(StatusPanel, 1);

    // The tree's events.
    connect(DBTreeView1, &GroupTreeView::treeClicked, this, [this] { guarded([&] { DBTreeView1Click(); }); });
    connect(DBTreeView1, &GroupTreeView::treeDoubleClicked, this, [this] { guarded([&] { DBTreeView1DblClick(); }); });
    connect(DBTreeView1, &GroupTreeView::deleteKeyPressed, this,
            [this] { guarded([&] { DBTreeView1DeleteKey(); }); });
    connect(DBTreeView1, &GroupTreeView::endDragTreeNode, this,
            [this](const QModelIndex &target, const QList<int> &dragged, bool copy) {
                guarded([&] {
                    if (target.isValid() && !dragged.isEmpty())
                        DBTreeView1EndDragTreeNode(GroupTreeModel::idOf(target), dragged.first(), copy);
                });
            });
    connect(DBTreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        // A right click asked the save question on its press and, after a
        // Cancel, brings no menu here; this asks for a menu opened otherwise.
        const QModelIndex at = DBTreeView1->indexAt(pos);
        if (at.isValid() && at != DBTreeView1->currentIndex()) {
            if (!DBTreeView1Changing())
                return;
            DBTreeView1->setCurrentIndex(DBTreeView1->indexAt(pos));
        }
        pmTree->popup(DBTreeView1->viewport()->mapToGlobal(pos));
    });
    connect(DBTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { guarded([&] { treeCursorFromView(); }); });
    connect(m_treeModel, &GroupTreeModel::errorRaised, this,
            [this](const QString &message) { m_dialogs.error(ErrorBoxText(message)); });
    // Keep the opened nodes and the selection over a rebuild of the tree.
    connect(m_treeModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_expandedBeforeReset.clear();
        std::vector<QModelIndex> todo{QModelIndex()};
        while (!todo.empty()) {
            const QModelIndex parent = todo.back();
            todo.pop_back();
            const int rows = m_treeModel->rowCount(parent);
            for (int r = 0; r < rows; ++r) {
                const QModelIndex i = m_treeModel->index(r, 0, parent);
                if (m_treeModel->hasChildren(i) && DBTreeView1->isExpanded(i)) {
                    m_expandedBeforeReset.append(GroupTreeModel::idOf(i));
                    todo.push_back(i);
                }
            }
        }
    });
    connect(m_treeModel, &QAbstractItemModel::modelReset, this, [this] {
        ++m_syncing;
        for (int id : std::as_const(m_expandedBeforeReset)) {
            const QModelIndex i = m_treeModel->indexOfId(id);
            if (i.isValid())
                DBTreeView1->expand(i);
        }
        --m_syncing;
        selectTreeCursor();
    });

    // The list follows tblGrid, and a row picked in the list moves it.
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_syncing || !current.isValid() || !m_store.tblGrid.Active())
                    return;
                if (current.row() == m_store.tblGrid.RecNo())
                    return;
                ++m_syncing;
                const bool moved = guarded([&] { m_store.tblGrid.MoveToRow(current.row()); });
                --m_syncing;
                if (!moved)
                    DBGridEh1->selectRow(m_store.tblGrid.RecNo());
            });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        const int before = m_lastPage;
        m_lastPage = index;
        if (m_pageGuard)
            return;
        // A change that did not come through a tab click (the keyboard).
        guarded([&] {
            if (!PageControl1Changing()) {
                ++m_pageGuard;
                PageControl1->setCurrentIndex(before);
                m_lastPage = before;
                --m_pageGuard;
                return;
            }
            PageControl1Change();
        });
    });
}

void TfrmMain::connectStore()
{
    connect(&m_store.tblTree, &UsersCursor::afterScroll, this, [this] { selectTreeCursor(); });
    connect(&m_store.tblGrid, &UsersCursor::afterScroll, this, [this] {
        if (m_syncing)
            return;
        ++m_syncing;
        const int row = m_store.tblGrid.RecNo();
        if (row >= 0)
            DBGridEh1->selectRow(row);
        else
            DBGridEh1->clearSelection();
        --m_syncing;
    });
    connect(m_listModel, &QAbstractItemModel::modelReset, this, [this] {
        ++m_syncing;
        const int row = m_store.tblGrid.Active() ? m_store.tblGrid.RecNo() : -1;
        if (row >= 0)
            DBGridEh1->selectRow(row);
        --m_syncing;
    });
    connect(&m_store.tblGrid, &UsersCursor::stateChanged, this, [this] { aclMainUpdate(); });
}

// ---------------------------------------------------------------------------
// The tree and the cursor tblTree follow each other

void TfrmMain::selectTreeCursor()
{
    if (m_syncing || !m_store.tblTree.Active())
        return;
    const QModelIndex i = m_treeModel->indexOfId(m_store.tblTree.CurrentID());
    if (!i.isValid() || i == DBTreeView1->currentIndex())
        return;
    ++m_syncing;
    DBTreeView1->setCurrentIndex(i);
    DBTreeView1->scrollTo(i);
    --m_syncing;
}

void TfrmMain::treeCursorFromView()
{
    if (m_syncing || !m_store.tblTree.Active())
        return;
    const int id = GroupTreeModel::idOf(DBTreeView1->currentIndex());
    if (id == 0 || id == m_store.tblTree.CurrentID())
        return;
    ++m_syncing;
    m_store.tblTree.Locate(UsersField::ID, id);
    --m_syncing;
}

int TfrmMain::currentTreeType() const
{
    if (!m_store.tblTree.Active() || m_store.tblTree.RecordCount() == 0)
        return -1;
    return m_store.tblTree.Current().Type;
}

// ---------------------------------------------------------------------------
// Start-up (FormShow) and closing (FormClose)

QString TfrmMain::InstalledDataDir(const QString &programDir)
{
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(KELO_DATA_FROM_BIN)));
}

QString TfrmMain::SamplePath(const QString &programDir)
{
    const QString inProgramDir = QDir(programDir).filePath(QStringLiteral("Sample.kvr"));
    if (QFileInfo::exists(inProgramDir))
        return inProgramDir;
    // An installed program's folder is not the user's to write, even when
    // the file system would let them (root): the explanations installed
    // beside it in the data folder tell an installation.
    const bool installed = QFileInfo::exists(QDir(InstalledDataDir(programDir)).filePath(QStringLiteral("00.dll")));
    QTemporaryFile probe(QDir(programDir).filePath(QStringLiteral("kelo-XXXXXX")));
    if (!installed && probe.open())
        return inProgramDir;
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    return QDir(dataDir).filePath(QStringLiteral("Sample.kvr"));
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TfrmMain::FormShow()
{
    // An error in these steps is shown, and the rest of them skipped; the
    // window still opens.
    guarded([&] {
        // 7.-9.
        const QString sample = SamplePath(m_startUp.programDir);
        if (m_startDBFile.isEmpty() || !QFileInfo(m_startDBFile).isFile())
            m_startDBFile = sample;
        if (!QFileInfo::exists(m_startDBFile))
            NewDatabase(m_startDBFile);
        // 10.
        if (!OpenDatabase(m_startDBFile)) {
            m_dialogs.message(QStringLiteral("数据库打开失败。"));
            m_startFailed = true;
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            return;
        }
        // 11. Without the explanations the records are still usable: the
        // error is shown, and the list and the tree are still filtered, so
        // that private members stay hidden.
        const bool starsOpen = OpenStarTable();
        // 12.
        ApplyGridFilter();
        ApplyTreeFilter();
        if (!starsOpen)
            m_dialogs.error(ErrorBoxText(TfrmDBStar::kNoDatabase));
    });
}

void TfrmMain::setExplanationWindow(TfrmDBStar *window)
{
    m_frmDBStar = window;
    tsMing->setExplanationWindow(window);
}

bool TfrmMain::OpenStarTable()
{
    if (!m_frmDBStar) {
        m_ownDBStar = std::make_unique<TfrmDBStar>();
        setExplanationWindow(m_ownDBStar.get());
    }
    if (m_frmDBStar->tblStar.IsOpen())
        return true;
    // Beside the program, then in the installation's data folder, then in
    // the desktop's data folders.
    if (!m_startUp.programDir.isEmpty()) {
        for (const QString &dir : {m_startUp.programDir, InstalledDataDir(m_startUp.programDir)}) {
            const QString file = QDir(dir).filePath(QStringLiteral("00.dll"));
            if (QFileInfo::exists(file))
                return m_frmDBStar->OpenStarTable(file);
        }
    }
    return m_frmDBStar->OpenStarTable(StarTable::DefaultPath());
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfrmMain::FormClose()
{
    // A start that could not open a database changed nothing worth keeping.
    if (!m_startFailed)
        SaveSettings();
    m_store.CloseDatabase();
}

// ---------------------------------------------------------------------------
// Settings

void TfrmMain::LoadSettings()
{
    auto apply = [this](const SettingKey &key, const SettingsValues &v) {
        const QLatin1String name(key.name);
        if (name == QLatin1String("DisplayPrivacy")) {
            miDisplayPrivacy->setChecked(v.DisplayPrivacy);
            m_store.SetDisplayPrivacy(v.DisplayPrivacy);
        } else if (name == QLatin1String("DBFileName")) {
            m_startDBFile = v.DBFileName;
        } else if (name == QLatin1String("DisplayTree")) {
            actViewTree->setChecked(v.DisplayTree);
            ApplyTreeVisible();
        } else if (name == QLatin1String("TreeWidth")) {
            // At least 20 pixels: a tiny stored width would leave the tree
            // out of sight while DisplayTree says it is shown.
            m_treeWidth = std::max(20, v.TreeWidth);
            Splitter1->setSizes({m_treeWidth, std::max(100, width() - m_treeWidth)});
        } else if (name == QLatin1String("DisplayTools")) {
            actViewTools->setChecked(v.DisplayTools);
            ApplyToolsVisible();
        } else if (name == QLatin1String("ShowSearch")) {
            ShowSearch = v.ShowSearch;
        } else if (name == QLatin1String("ShowTutorial")) {
            tsMing->ShowTutorial = v.ShowTutorial;
        }
    };
    const SettingsValues defaults = SettingsValues::Defaults();
    for (const SettingKey &key : SettingKeys())
        apply(key, defaults);
    QSettings settings = WindowSettings();
    m_settingsRead = ::LoadSettings(settings, apply);
}

void TfrmMain::SaveSettings()
{
    SettingsValues v;
    v.DisplayPrivacy = miDisplayPrivacy->isChecked();
    v.DisplayTree = actViewTree->isChecked();
    v.DisplayTools = actViewTools->isChecked();
    v.DBFileName = m_store.FileName();
    v.TreeWidth = treeWidth();
    v.ShowSearch = ShowSearch;
    v.ShowTutorial = tsMing->ShowTutorial;
    QSettings settings = WindowSettings();
    ::SaveSettings(settings, v);
}

int TfrmMain::treeWidth() const
{
    if (DBTreeView1->isVisible() && Splitter1->isVisible())
        return Splitter1->sizes().value(0, m_treeWidth);
    return m_treeWidth;
}

void TfrmMain::ApplyTreeVisible()
{
    const bool show = actViewTree->isChecked();
    if (!show && DBTreeView1->isVisible())
        m_treeWidth = Splitter1->sizes().value(0, m_treeWidth);
    DBTreeView1->setVisible(show);
    if (show)
        Splitter1->setSizes({m_treeWidth, std::max(100, Splitter1->width() - m_treeWidth)});
}

void TfrmMain::ApplyToolsVisible() { tbMain->setVisible(actViewTools->isChecked()); }

void TfrmMain::OpenWebPage(const QString &address)
{
    if (QDesktopServices::openUrl(QUrl::fromUserInput(address)))
        return;
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"), {address});
#else
    QProcess::startDetached(QStringLiteral("xdg-open"), {address});
#endif
}

void TfrmMain::editCommand(int which)
{
    QWidget *w = QApplication::focusWidget();
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        w = combo->lineEdit();
    if (!w)
        return;
    static const char *const methods[] = {"cut", "copy", "paste", "selectAll"};
    QMetaObject::invokeMethod(w, methods[which]);
}

// ---------------------------------------------------------------------------
// The database

bool TfrmMain::NewDatabase(const QString &fileName)
{
    return RecordStore::NewDatabase(fileName);
}

bool TfrmMain::OpenDatabase(const QString &fileName)
{
    RecordStore::PasswordPrompt prompt;
    prompt.ask = [this](QString &password) {
        return m_dialogs.inputText(windowTitle(), QStringLiteral("输入密码："), password, true);
    };
    prompt.wrong = [this] { m_dialogs.warning(QStringLiteral("密码错误，请重新输入。")); };
    bool ok = false;
    try {
        ok = !fileName.isEmpty() && m_store.OpenDatabase(fileName, prompt);
    } catch (const std::exception &) {
        ok = false;
    }
    // The cursors were reopened (or closed); the tree rebuilt itself.
    if (ok) {
        // The root is current and opened one level.
        const QModelIndex root = m_treeModel->indexOfId(m_store.tblTree.CurrentID());
        if (root.isValid())
            DBTreeView1->expand(root);
        selectTreeCursor();
        StatusPanel->setText(fileName);
    }
    aclMainUpdate();
    return ok;
}

void TfrmMain::CloseDatabase()
{
    m_store.CloseDatabase();
}

void TfrmMain::ApplyGridFilter()
{
    m_store.ApplyGridFilter();
    if (currentTreeType() != TypeMember && PageControl1->currentWidget() != tsList)
        setPageBySystem(tsList);
}

void TfrmMain::ApplyTreeFilter()
{
    m_store.ApplyTreeFilter();
    selectTreeCursor();
}

void TfrmMain::SaveRecord() { m_store.SaveRecord(); }

bool TfrmMain::ConfirmPendingEdit()
{
    if (!m_store.tblGrid.Editing())
        return true;
    switch (m_dialogs.question(QStringLiteral("确定"), QStringLiteral("保存您增加或修改的内容吗？"), true)) {
    case Dialogs::Answer::Yes:
        // A save refused by the record check keeps the member and its edit.
        return guarded([&] { SaveRecord(); });
    case Dialogs::Answer::No:
        miCancelClick();
        return true;
    case Dialogs::Answer::Cancel:
        break;
    }
    return false;
}

void TfrmMain::FileNewDBAccept()
{
    const QString file = m_dialogs.saveFileName(kDbFilter, QStringLiteral("kvr"));
    if (file.isEmpty())
        return;
    const QString previous = m_store.FileName();
    CloseDatabase();
    if (NewDatabase(file) && OpenDatabase(file)) {
        ApplyGridFilter();
        ApplyTreeFilter();
        return;
    }
    // The new file could not be made: say so and go back to the file that
    // was open, rather than leaving the window without a database.
    m_dialogs.message(QStringLiteral("数据库打开失败。"));
    if (!previous.isEmpty() && OpenDatabase(previous)) {
        ApplyGridFilter();
        ApplyTreeFilter();
    }
}

void TfrmMain::FileOpenDBAccept()
{
    const QString file = m_dialogs.openFileName(kDbFilter, QStringLiteral("kvr"));
    if (file.isEmpty())
        return;
    if (!OpenDatabase(file)) {
        // The user chose this file: say that it did not open before going
        // back to the database opened at start, so the user learns it, and
        // the records then shown are not taken for the chosen file's.
        m_dialogs.message(QStringLiteral("数据库打开失败。"));
        if (!OpenDatabase(m_startDBFile))
            return;
    }
    ApplyGridFilter();
    ApplyTreeFilter();
}

// ---------------------------------------------------------------------------
// Record commands

void TfrmMain::actNewGroupExecute()
{
    if (!m_store.tblTree.Active() || m_store.tblTree.RecordCount() == 0)
        return;
    const UsersRecord &t = m_store.tblTree.Current();
    const int parent = t.Type == TypeMember ? t.ParentID : t.ID;
    m_store.tblGrid.DisableControls();
    try {
        m_treeModel->addGroup(parent, QStringLiteral("新组"));
    } catch (...) {
        m_store.tblGrid.EnableControls();
        throw;
    }
    m_store.tblGrid.EnableControls();
    selectTreeCursor();
    const QModelIndex current = DBTreeView1->currentIndex();
    if (current.isValid()) {
        DBTreeView1->scrollTo(current);
        DBTreeView1->edit(current);
    }
}

void TfrmMain::actNewMemberExecute()
{
    if (!m_store.tblTree.Active())
        return;
    int parent = -1;
    if (m_store.tblTree.RecordCount() > 0) {
        const UsersRecord &t = m_store.tblTree.Current();
        if (t.Type == TypeMember)
            parent = t.ParentID;
        else if (t.Type == TypeGroup || t.Type == TypeRoot)
            parent = t.ID;
    }
    if (!ConfirmPendingEdit())
        return;
    UsersCursor &grid = m_store.tblGrid;
    grid.Append();
    grid.SetFieldValue(UsersField::ParentID, parent);
    grid.SetFieldValue(UsersField::Type, int(TypeMember));
    grid.SetFieldValue(UsersField::Sex, true);
    ShowBirthday(KeloDateTime(QDateTime::currentDateTime()));
    setPageBySystem(tsInfo);
    if (auto *name = tsInfo->findChild<QWidget *>(QStringLiteral("edtName")))
        name->setFocus();
}

void TfrmMain::actDelExecute()
{
    if (!m_store.tblTree.Active() || m_store.tblTree.RecordCount() == 0)
        return;
    const UsersRecord t = m_store.tblTree.Current();
    if (t.Type == TypeRoot || !DBTreeView1->currentIndex().isValid())
        return;
    if (m_dialogs.question(QStringLiteral("确定"), QStringLiteral("确定要删除“%1”吗？").arg(t.Name), false)
        != Dialogs::Answer::Yes)
        return;
    m_treeModel->removeSubtree(t.ID);
    m_store.tblGrid.Refresh();
    selectTreeCursor();
}

void TfrmMain::DBTreeView1DeleteKey()
{
    const QModelIndex current = DBTreeView1->currentIndex();
    if (!current.isValid() || !m_store.tblTree.Active())
        return;
    const int id = GroupTreeModel::idOf(current);
    // The root holds the whole file: the key does not delete it either.
    if (id == m_treeModel->rootId())
        return;
    // The save question comes first, so a pending edit is saved or dropped
    // by the user's choice rather than lost when its record goes with the
    // subtree; after the delete the list is refreshed, so it shows no
    // deleted records, as after the delete command.
    if (!ConfirmPendingEdit())
        return;
    const QString label = current.data().toString();
    if (!m_dialogs.confirm(QStringLiteral("Confirm"),
                           QStringLiteral("Do you want to delete the item \"%1\"").arg(label)))
        return;
    m_treeModel->removeSubtree(id);
    m_store.tblGrid.Refresh();
    selectTreeCursor();
}

void TfrmMain::actRenameExecute()
{
    const QModelIndex current = DBTreeView1->currentIndex();
    if (current.isValid())
        DBTreeView1->edit(current);
}

void TfrmMain::N10Click()
{
    m_dialogs.message(QStringLiteral("直接按住鼠标左键拖放，即可移动节点。"));
}

void TfrmMain::miExpandClick()
{
    const QModelIndex current = DBTreeView1->currentIndex();
    if (current.isValid())
        DBTreeView1->expand(current);
}

void TfrmMain::miCollapseClick()
{
    const QModelIndex current = DBTreeView1->currentIndex();
    if (current.isValid())
        DBTreeView1->collapse(current);
}

void TfrmMain::miFullExpandClick() { DBTreeView1->expandAll(); }

void TfrmMain::miFullCollapseClick()
{
    m_store.tblGrid.DisableControls();
    m_store.tblTree.DisableControls();
    if (m_store.tblTree.Active())
        m_store.tblTree.First();
    m_store.tblTree.EnableControls();
    m_store.tblGrid.EnableControls();
    DBTreeView1->collapseAll();
    selectTreeCursor();
}

void TfrmMain::DBTreeView1EndDragTreeNode(int targetId, int draggedId, bool copy)
{
    const RecordStore::KeyEntry *target = m_store.Key(targetId);
    const RecordStore::KeyEntry *dragged = m_store.Key(draggedId);
    if (!target || !dragged)
        return;
    // A node cannot be dropped onto itself or onto a node beneath it, for a
    // move and a copy alike: a member dropped onto itself would otherwise
    // name its own group as the new parent and, with Ctrl held, be copied.
    if (m_treeModel->isSelfOrAncestor(draggedId, targetId))
        return;
    if (target->type == TypeRoot && dragged->type == TypeMember) {
        m_dialogs.notice(QStringLiteral("确定"), QStringLiteral("请选择一个组。"));
        return;
    }
    // A group or the root takes the node as its last child; a member takes
    // it into its own group.
    const int newParent = target->type == TypeMember ? m_treeModel->shownParentId(targetId) : targetId;
    if (newParent == 0 || m_treeModel->isSelfOrAncestor(draggedId, newParent))
        return;
    // A move into the group the node already is in changes nothing, so it
    // neither asks nor writes. Any other drop writes the tree's records, so
    // the save question comes first: a member being edited is saved or
    // dropped before the file changes under it, and Cancel abandons the drop.
    if (!copy && newParent == m_treeModel->shownParentId(draggedId) && dragged->parentId == newParent)
        return;
    if (!ConfirmPendingEdit())
        return;
    if (copy)
        m_treeModel->copy(draggedId, newParent);
    else
        m_treeModel->move(draggedId, newParent);
    selectTreeCursor();
}

void TfrmMain::miDisplayPrivacyClick()
{
    m_store.SetDisplayPrivacy(miDisplayPrivacy->isChecked());
    m_store.tblGrid.DisableControls();
    m_store.tblTree.DisableControls();
    try {
        ApplyGridFilter();
        m_store.ApplyTreeFilter();
    } catch (...) {
        m_store.tblTree.EnableControls();
        m_store.tblGrid.EnableControls();
        throw;
    }
    m_store.tblTree.EnableControls();
    m_store.tblGrid.EnableControls();
    selectTreeCursor();
}

// ---------------------------------------------------------------------------
// Save commands

void TfrmMain::miSaveClick() { SaveRecord(); }

void TfrmMain::miSaveAndAddClick()
{
    if (PageControl1->currentWidget() != tsInfo || !m_store.tblGrid.Editing())
        return;
    SaveRecord();
    actNewMemberExecute();
}

void TfrmMain::miCancelClick()
{
    if (m_store.tblGrid.Editing())
        m_store.tblGrid.Cancel();
}

void TfrmMain::actSaveAndPanExecute()
{
    if (PageControl1->currentWidget() != tsInfo)
        return;
    SaveRecord();
    setPageBySystem(tsMing);
    ShowChart();
}

void TfrmMain::aclMainUpdate()
{
    const bool editing = m_store.tblGrid.Editing();
    for (QAction *a : {actNewGroup, actNewMember, actDel, actRename, miExpand, miCollapse, miFullExpand,
                       miFullCollapse})
        a->setEnabled(!editing);
}

// ---------------------------------------------------------------------------
// Tree clicks and pages

void TfrmMain::DBTreeView1Click()
{
    ApplyGridFilter();
    if (PageControl1->currentWidget() == tsMing)
        ShowChart();
}

void TfrmMain::DBTreeView1DblClick()
{
    if (m_store.tblTree.Active() && currentTreeType() == TypeMember)
        setPageBySystem(tsInfo);
}

bool TfrmMain::DBTreeView1Changing()
{
    bool allowed = false;
    guarded([&] { allowed = ConfirmPendingEdit(); });
    return allowed;
}

bool TfrmMain::PageControl1Changing()
{
    bool allowed = true;
    if (!m_store.tblGrid.Active() || m_store.tblGrid.RecordCount() < 1) {
        allowed = false;
        m_dialogs.message(QStringLiteral("当前分类下没有数据！请先输入生日数据。"));
    }
    if (m_store.tblGrid.Editing() && !ConfirmPendingEdit())
        allowed = false;
    return allowed;
}

void TfrmMain::PageControl1Change()
{
    if (PageControl1->currentWidget() == tsMing)
        ShowChart();
}

bool TfrmMain::requestPage(int index)
{
    if (index == PageControl1->currentIndex() || index < 0 || index >= PageControl1->count())
        return false;
    bool changed = false;
    guarded([&] {
        if (!PageControl1Changing())
            return;
        ++m_pageGuard;
        PageControl1->setCurrentIndex(index);
        --m_pageGuard;
        changed = true;
        PageControl1Change();
    });
    return changed;
}

void TfrmMain::setPageBySystem(QWidget *page)
{
    ++m_pageGuard;
    PageControl1->setCurrentWidget(page);
    --m_pageGuard;
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtSearch && event->type() == QEvent::MouseButtonPress) {
        edtSearchClick();
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == PageControl1->tabBar() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            const int index = PageControl1->tabBar()->tabAt(mouse->position().toPoint());
            if (index >= 0 && index != PageControl1->currentIndex()) {
                requestPage(index);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

std::optional<ChartSubject> TfrmMain::CurrentSubject() const
{
    if (!m_store.tblGrid.Active() || m_store.tblGrid.RecordCount() < 1)
        return std::nullopt;
    const UsersRecord &r = m_store.tblGrid.Current();
    return ChartSubject{r.Birthday, r.Sex, r.Name};
}

void TfrmMain::ShowChart()
{
    // With no current record the picture keeps what it showed.
    if (const auto subject = CurrentSubject())
        tsMing->ShowChart(subject->Birthday, subject->Sex, subject->Name);
}

void TfrmMain::actPrintExecute() { tsMing->Printing.actPrintExecute(CurrentSubject()); }

void TfrmMain::N31Click() { tsMing->Printing.N31Click(); }

void TfrmMain::actGifExportExecute() { tsMing->Printing.actGifExportExecute(); }

void TfrmMain::ShowBirthday(double instant)
{
    if (InfoPage)
        InfoPage->ShowBirthday(instant);
}

void TfrmMain::edtSearchChange(const QString &text)
{
    SearchMembers(m_store.tblGrid, text);
}

void TfrmMain::edtSearchClick()
{
    ::edtSearchClick(ShowSearch, this);
}

void TfrmMain::actEncryptExecute()
{
    ::actEncryptExecute(m_store, m_dialogs, this);
}
