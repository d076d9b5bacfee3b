#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <functional>

#include "app/CLCReaderApp.h"
#include "app/LCSplitter.h"
#include "app/RecentFileList.h"
#include "app/RetryDelayDialog.h"
#include "platform/IniFile.h"
#include "resources/Artwork.h"
#include "resources/MenuTemplate.h"
#include "resources/ResourceText.h"
#include "resources/StringIds.h"
#include "views/CLCReaderView.h"
#include "views/CLeftView.h"
#include "views/WorkPump.h"

namespace lc {

namespace {

// The prompt of a command: its string up to the first line break.
QString Prompt(uint32_t id) {
    return ResourceText(id).section(u'\n', 0, 0);
}

bool IsStyleCommand(uint32_t id) {
    return id >= command::kViewSmallIcons && id <= command::kViewDetails;
}

ExpListView::Style StyleOf(uint32_t id) {
    switch (id) {
        case command::kViewLargeIcons:
            return ExpListView::Style::LargeIcon;
        case command::kViewSmallIcons:
            return ExpListView::Style::SmallIcon;
        case command::kViewList:
            return ExpListView::Style::List;
        default:
            return ExpListView::Style::Report;
    }
}

}  // namespace

CMainFrame::CMainFrame(CLCReaderApp* app) : m_pApp(app) {
    setWindowIcon(Artwork::Icon(Artwork::kProgramIcon));
    LoadBannerBitmaps(Artwork::kBanner, Artwork::kFiller);
    resize(std::max(kMinWidth, GetBannerSize().width() + kExtraWidth), kInitialHeight);

    m_statusBar = new QStatusBar(this);
    setStatusBar(m_statusBar);
    m_bStatusBarVisible = 1;

    BuildMenus();
    ReadSettings();
    TrimMenus();
    CreateClientArea();
    if (m_pApp != nullptr) m_pApp->m_pMainFrame = this;
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    if (m_pApp != nullptr && m_pApp->m_pMainFrame == this) m_pApp->m_pMainFrame = nullptr;
}

void CMainFrame::ReadSettings() {
    const IniFile ini = IniFile::LoadFromCurrentDirectory("LCPortable.ini");
    m_nAllowCopy = ini.GetInt("Options", "AllowCopy", 0);
    m_nAllowDragDrop = ini.GetInt("Options", "AllowDrag&Drop", 0);
}

QAction* CMainFrame::AddCommand(uint32_t id, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setStatusTip(
        Prompt(id >= command::kRecentFile1 && id < command::kRecentFile1 + command::kRecentFileCount
                   ? command::kRecentFile1
                   : id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, action);
    // Accelerators work whether or not the item stays in the menu.
    addAction(action);
    return action;
}

void CMainFrame::BuildMenus() {
    m_styleGroup = new QActionGroup(this);
    m_styleGroup->setExclusive(true);
    QMenuBar* bar = menuBar();

    std::function<void(QMenu*, const MenuItemTemplate&)> addItem = [&](QMenu* menu,
                                                                       const MenuItemTemplate& t) {
        if (t.IsSeparator()) {
            menu->addSeparator();
            return;
        }
        QString caption = QString::fromUtf8(t.caption);
        if (*t.accelText != '\0') caption += u'\t' + QString::fromUtf8(t.accelText);
        if (t.IsPopup()) {
            QMenu* sub = menu->addMenu(caption);
            connect(sub, &QMenu::aboutToHide, m_statusBar, &QStatusBar::clearMessage);
            for (const auto& child : t.children) addItem(sub, child);
            return;
        }
        if (t.id == command::kRecentFile1) {
            // Stays grayed while the list is empty; the entries take its place otherwise.
            m_recentPlaceholder = menu->addAction(caption);
            m_recentPlaceholder->setEnabled(false);
            m_recentPlaceholder->setStatusTip(Prompt(command::kRecentFile1));
            for (uint32_t i = 0; i < command::kRecentFileCount; ++i) {
                QAction* entry = AddCommand(command::kRecentFile1 + i, QString());
                entry->setVisible(false);
                menu->addAction(entry);
            }
            return;
        }
        QAction* action = AddCommand(t.id, caption);
        if (t.flags & MenuItemTemplate::kGrayed) action->setEnabled(false);
        if (t.flags & MenuItemTemplate::kChecked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (IsStyleCommand(t.id)) {
            action->setCheckable(true);
            m_styleGroup->addAction(action);
        }
        if (t.id == command::kStatusBar) action->setCheckable(true);
        menu->addAction(action);
    };

    for (const auto& top : MenuTemplate(UserLanguage())) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(top.caption));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        connect(menu, &QMenu::aboutToHide, m_statusBar, &QStatusBar::clearMessage);
        for (const auto& item : top.children) addItem(menu, item);
    }
    for (const auto& accel : AcceleratorTable()) {
        if (QAction* action = Action(accel.id)) action->setShortcut(QKeySequence(accel.keys));
    }
}

void CMainFrame::TrimMenus() {
    QMenuBar* bar = menuBar();
    const QList<QAction*> top = bar->actions();
    // Options (position 3), then File's "Properties" (item 1), then Edit's "Copy" (item 0).
    if (top.size() > 3) bar->removeAction(top.at(3));
    if (QMenu* file = top.value(0) ? top.value(0)->menu() : nullptr) {
        if (file->actions().size() > 1) file->removeAction(file->actions().at(1));
    }
    if (m_nAllowCopy == 0) {
        if (QMenu* edit = top.value(1) ? top.value(1)->menu() : nullptr) {
            if (!edit->actions().isEmpty()) edit->removeAction(edit->actions().at(0));
        }
    }
}

void CMainFrame::CreateClientArea() {
    m_splitter = new LCSplitter(this);
    m_splitter->SetOwnerFrame(this);
    m_folderTree = new CLeftView(m_splitter);
    auto* list = new CLCReaderView(m_splitter);
    m_splitter->SetPanes(m_folderTree, list);
    m_splitter->setSizes({kTreeWidth, width() - kTreeWidth});
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);

    m_folderTree->SetHost(this);
    list->SetHost(this);
    m_folderTree->InitialUpdate();
    connect(list, &ExpListView::selectionChanged, this, &CMainFrame::UpdateCommandUI);
}

QWidget* CMainFrame::GetBannerPane() const {
    return m_splitter->GetPane(1);
}

CLCFiles* CMainFrame::OpenVolume() const {
    return m_pApp != nullptr ? m_pApp->m_pVolume.get() : nullptr;
}

CLCReaderView* CMainFrame::GetFileListView() {
    if (m_fileListCache == nullptr) {
        m_fileListCache = static_cast<CLCReaderView*>(m_splitter->GetPane(1));
    }
    return m_fileListCache;
}

CLeftView* CMainFrame::GetFolderTreeView() const {
    return static_cast<CLeftView*>(m_splitter->GetPane(0));
}

void CMainFrame::SetStatusText(const QString& text) {
    if (text.isEmpty()) {
        m_statusBar->clearMessage();
    } else {
        m_statusBar->showMessage(text);
    }
}

void CMainFrame::ShowStatusNow(const QString& text) {
    SetStatusText(text);
    m_statusBar->repaint();
}

void CMainFrame::SetStatusText(const std::string& text) {
    SetStatusText(QString::fromStdString(text));
    m_statusBar->repaint();
    // Wiping blocks the window; it is painted at each step the clean-up reports.
    WorkPump::Tick(true);
}

void CMainFrame::Wiping() {
    WorkPump::Tick();
}

QString CMainFrame::StatusText() const {
    return m_statusBar->currentMessage();
}

void CMainFrame::RunRetryDelay(unsigned seconds) {
    RetryDelayParams params;
    params.seconds = seconds;
    params.owner = this;
    params.text = ResourceText(str::kRetryDelay);
    RetryDelayDialog::Run(params);
}

bool CMainFrame::IsCommandEnabled(uint32_t id) {
    CLCReaderView* list = GetFileListView();
    switch (id) {
        case command::kCopy:
        case command::kExtract:
            return list->FirstSelected() != -1;
        case command::kView:
            return list->IsFirstSelectedFile();
        case command::kSelectAll:
            return list->Model()->rowCount() > 0;
        case command::kProperties:
            return false;
        default:
            return true;
    }
}

void CMainFrame::UpdateCommandUI() {
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) {
        const uint32_t id = it.key();
        if (id == command::kProperties) continue;
        it.value()->setEnabled(IsCommandEnabled(id));
    }
    const ExpListView::Style style = GetFileListView()->GetStyle();
    for (uint32_t id : {command::kViewLargeIcons, command::kViewSmallIcons, command::kViewList,
                        command::kViewDetails}) {
        if (QAction* action = Action(id)) action->setChecked(StyleOf(id) == style);
    }
    if (QAction* action = Action(command::kStatusBar)) action->setChecked(m_bStatusBarVisible == 1);
}

void CMainFrame::UpdateRecentFileMenu(const QStringList& paths) {
    for (uint32_t i = 0; i < command::kRecentFileCount; ++i) {
        QAction* entry = Action(command::kRecentFile1 + i);
        const bool used = static_cast<qsizetype>(i) < paths.size();
        entry->setVisible(used);
        entry->setText(used ? RecentFileList::MenuText(static_cast<int>(i), paths.at(i))
                            : QString());
    }
    m_recentPlaceholder->setVisible(paths.isEmpty());
}

void CMainFrame::OnCommand(uint32_t id) {
    if (!IsCommandEnabled(id)) return;
    CLCReaderView* list = GetFileListView();
    if (id >= command::kRecentFile1 && id < command::kRecentFile1 + command::kRecentFileCount) {
        if (m_pApp != nullptr) m_pApp->OnRecentFile(static_cast<int>(id - command::kRecentFile1));
        return;
    }
    if (IsStyleCommand(id)) {
        list->SetStyle(StyleOf(id));
        UpdateCommandUI();
        return;
    }
    switch (id) {
        case command::kOpen:
            if (m_pApp != nullptr) m_pApp->OnFileOpen();
            break;
        case command::kExit:
            close();
            break;
        case command::kAbout:
            if (m_pApp != nullptr) m_pApp->OnAppAbout();
            break;
        case command::kCopy:
            if (m_nAllowCopy != 0) list->OnCopy();
            break;
        case command::kExtract:
            list->OnExtract();
            break;
        case command::kView:
            list->OnView();
            break;
        case command::kSelectAll:
            list->SelectAll();
            break;
        case command::kStatusBar:
            m_bStatusBarVisible = m_bStatusBarVisible ? 0 : 1;
            m_statusBar->setVisible(m_bStatusBarVisible == 1);
            UpdateCommandUI();
            break;
        default:
            break;
    }
}

}  // namespace lc
