#include "views/CLCReaderView.h"

#include <QCursor>
#include <QDate>
#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QStyle>
#include <QTreeView>
#include <array>
#include <vector>

#include "fs/DirInfo.h"
#include "resources/Artwork.h"
#include "resources/MenuTemplate.h"
#include "resources/ResourceText.h"
#include "resources/StringIds.h"
#include "views/CLeftView.h"
#include "views/DialogUnits.h"
#include "views/ExtractionUi.h"
#include "views/ViewHost.h"

namespace lc {

namespace {

constexpr int kSizeColumnWidth = 60;
constexpr int kDateColumnWidth = 120;
// The widths above were made for a font whose average character is 6 pixels wide (dialog base
// unit of the 8-point system font at 96 dpi); they grow with the window's font.
constexpr int kReferenceCharWidth = 6;
// The widest texts the columns must show whole: sizes up to 999.999.999 KB, and a date and
// time with two digits in every field.
constexpr uint64_t kWidestSize = 999'999'999ull * 1024;
constexpr uint32_t kWidestDate =
    (((2028u - 1980) << 9 | 12u << 5 | 28u) << 16) | (23u << 11 | 58u << 5 | 29u);
// Guards the walk along a directory's chains; the records are in memory and finite.
constexpr size_t kMaxRows = 16u * 1024 * 1024;

// Process-wide, as the sort flags outlive a folder change.
std::array<int, 3> g_sortFlags{0, 0, 0};

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

// kind + name, A to Z folded, then by UTF-16 code unit.
int CompareNameKeys(const DirInfo* a, const DirInfo* b) {
    const char16_t ka = FoldAscii(a->kind);
    const char16_t kb = FoldAscii(b->kind);
    if (ka != kb) return ka < kb ? -1 : 1;
    const size_t n = std::min(a->name.size(), b->name.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t ca = FoldAscii(a->name[i]);
        const char16_t cb = FoldAscii(b->name[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a->name.size() == b->name.size()) return 0;
    return a->name.size() < b->name.size() ? -1 : 1;
}

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

QString GroupDigits(uint64_t value) {
    QString digits = QString::number(value);
    for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3) digits.insert(pos, u'.');
    return digits;
}

// The locale's short date with a four-digit year and its time with seconds.
QString DateTimeFormat(const QLocale& locale, bool withTime) {
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy")))
        date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    if (!withTime) return date;
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (!time.contains(u's')) time.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return date + u' ' + time;
}

// Every digit as the widest one of the font, so no other value of the same shape is wider.
int TextWidth(const QFontMetrics& metrics, QString text) {
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d) {
        if (metrics.horizontalAdvance(QChar(d)) > metrics.horizontalAdvance(widest)) widest = d;
    }
    for (QChar& c : text) {
        if (c.isDigit()) c = widest;
    }
    return metrics.horizontalAdvance(text);
}

}  // namespace

int CLCReaderView::ColumnWidth(int column) const {
    const QTreeView* view = ReportView();
    const int partWidth =
        column == FileListModel::kSizeColumn ? kSizeColumnWidth : kDateColumnWidth;
    const int scaled = (partWidth * DialogUnits(view->font()).BaseX() + kReferenceCharWidth / 2) /
                       kReferenceCharWidth;
    // The item delegate keeps a focus-frame margin and one pixel on either side of the text,
    // and lays the text out at fractional widths, rounded up.
    const int margins =
        2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
    const QString widest =
        column == FileListModel::kSizeColumn ? SizeText(kWidestSize) : DateText(kWidestDate);
    const int text = TextWidth(view->fontMetrics(), widest) + margins;
    const int heading = view->header()->sectionSizeHint(column);
    return std::max({scaled, text, heading});
}

CLCReaderView::CLCReaderView(QWidget* parent) : ExpListView(parent) {
    m_extraction = new ExtractionUi(this, this);
    connect(ReportView()->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ReportView()),
                                    static_cast<QAbstractItemView*>(IconView())}) {
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { OpenSelectedItem(); });
        connect(view, &QWidget::customContextMenuRequested, this, [this] { ShowContextMenu(); });
    }
}

void CLCReaderView::showEvent(QShowEvent* event) {
    ExpListView::showEvent(event);
    InitialUpdate();
}

void CLCReaderView::InitialUpdate() {
    if (m_initialised) return;
    m_initialised = true;
    SetStyle(Style::Report);
    if (m_host != nullptr) {
        CLeftView* tree = m_host->GetFolderTreeView();
        tree->InitialUpdate();
        SetSmallImages(tree->Images());
    }
    CreateLargeImages();
    m_folderImage = m_largeImageList->Add(Artwork::Icon(Artwork::kClosedFolder));
    m_largeImageList->Add(Artwork::Icon(Artwork::kOpenFolder));
    m_fileImage = m_largeImageList->Add(Artwork::Icon(Artwork::kDocument));
    m_largeImageList->Add(Artwork::Icon(Artwork::kProgramIcon));
    // Without the tree's small list (no main frame) there are no per-type pictures.
    m_iconCache.Initialize(m_host != nullptr ? m_host->GetFolderTreeView()->Images() : nullptr,
                           m_largeImageList.get());

    Model()->SetHeadings({ResourceText(str::kColumnName), ResourceText(str::kColumnSize),
                          ResourceText(str::kColumnDate)});
    QHeaderView* header = ReportView()->header();
    header->reset();
    const int clientWidth = ReportView()->viewport()->width();
    const int sizeWidth = ColumnWidth(FileListModel::kSizeColumn);
    const int dateWidth = ColumnWidth(FileListModel::kDateColumn);
    header->resizeSection(FileListModel::kNameColumn,
                          std::max(0, clientWidth - sizeWidth - dateWidth));
    header->resizeSection(FileListModel::kSizeColumn, sizeWidth);
    header->resizeSection(FileListModel::kDateColumn, dateWidth);
    m_sizeColumn = FileListModel::kSizeColumn;
    m_dateColumn = FileListModel::kDateColumn;
}

void CLCReaderView::ShowFolder(DirInfo* directory) {
    InitialUpdate();
    Model()->Clear();
    if (directory == nullptr) return;

    std::vector<FileListModel::Row> rows;
    for (DirInfo* sub = directory->firstChild; sub != nullptr && rows.size() < kMaxRows;
         sub = sub->nextSibling) {
        rows.push_back(
            {sub, ToQString(sub->name), m_folderImage, QString(), DateText(sub->modified)});
    }
    for (DirInfo* file = directory->firstFile; file != nullptr && rows.size() < kMaxRows;
         file = file->nextFile) {
        int image = FileTypeImage(file->name);
        if (image == 0) image = m_fileImage;
        QString text = ToQString(file->name);
        if (file->attributes & kAttrEncrypted)
            text += QStringLiteral(" (") + ResourceText(str::kUnsupportedEncrypted) + u')';
        rows.push_back({file, text, image, SizeText(file->size), DateText(file->modified)});
    }
    Model()->Append(std::move(rows));
}

DirInfo* CLCReaderView::RecordAt(int row) const {
    return Model()->Record(row);
}

bool CLCReaderView::IsFirstSelectedFile() const {
    const DirInfo* record = RecordAt(FirstSelected());
    return record != nullptr && record->kind == DirInfo::kFile;
}

void CLCReaderView::SelectAll() {
    ActiveView()->setFocus();
    ActiveView()->selectAll();
}

QString CLCReaderView::SizeText(uint64_t size) {
    // Rounded up without overflow near 2^64.
    const uint64_t kb = size / 1024 + (size % 1024 != 0 ? 1 : 0);
    return GroupDigits(kb) + QStringLiteral(" KB");
}

QString CLCReaderView::DateText(uint32_t modified) {
    const uint16_t d = static_cast<uint16_t>(modified >> 16);
    const uint16_t t = static_cast<uint16_t>(modified & 0xFFFF);
    const int year = 1980 + (d >> 9);
    const int month = (d >> 5) & 15;
    const int day = d & 31;
    const int hour = t >> 11;
    const int minute = (t >> 5) & 63;
    const int second = (t & 31) * 2;
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) {
        return QStringLiteral("Invalid DateTime");
    }
    static const QLocale locale = QLocale::system();
    static const QString dateOnly = DateTimeFormat(locale, false);
    static const QString dateAndTime = DateTimeFormat(locale, true);
    const bool midnight = hour == 0 && minute == 0 && second == 0;
    return locale.toString(QDateTime(date, QTime(hour, minute, second)),
                           midnight ? dateOnly : dateAndTime);
}

int CLCReaderView::CompareRecords(const DirInfo* a, const DirInfo* b, int column, bool ascending) {
    if (!ascending) std::swap(a, b);
    switch (column) {
        case FileListModel::kNameColumn:
            return CompareNameKeys(a, b);
        case FileListModel::kSizeColumn: {
            const uint64_t sa = a->kind == DirInfo::kFile ? a->size : 0;
            const uint64_t sb = b->kind == DirInfo::kFile ? b->size : 0;
            return Order(sa, sb);
        }
        case FileListModel::kDateColumn:
            if (a->kind != b->kind) return Order(a->kind, b->kind);
            return Order(a->modified, b->modified);
        default:
            return 0;
    }
}

bool CLCReaderView::SortFlag(int column) {
    return column >= 0 && column < 3 && g_sortFlags[static_cast<size_t>(column)] != 0;
}

void CLCReaderView::ResetSortFlags() {
    g_sortFlags = {0, 0, 0};
}

void CLCReaderView::OnColumnClick(int column) {
    for (int c = 0; c < 3; ++c) {
        int& flag = g_sortFlags[static_cast<size_t>(c)];
        flag = (c == column) ? !flag : 0;
    }
    const bool ascending = SortFlag(column);
    Model()->Sort([column, ascending](const DirInfo* a, const DirInfo* b) {
        return CompareRecords(a, b, column, ascending);
    });
}

void CLCReaderView::OpenSelectedItem() {
    const DirInfo* record = RecordAt(FirstSelected());
    if (record == nullptr) return;
    if (record->kind == DirInfo::kFile) {
        OnView();
        return;
    }
    if (m_host != nullptr) m_host->GetFolderTreeView()->SelectItem(record->treeItem);
}

void CLCReaderView::OnCopy() {
    m_extraction->OnCopy();
}

void CLCReaderView::OnExtract() {
    m_extraction->OnExtract();
}

void CLCReaderView::OnView() {
    m_extraction->OnView();
}

QMenu* CLCReaderView::CreateContextMenu() {
    auto* menu = new QMenu(m_host != nullptr ? m_host->HostWindow() : this);
    auto add = [&](uint32_t textId, uint32_t command) {
        QAction* action = menu->addAction(ResourceText(textId));
        action->setData(command);
        if (m_host != nullptr) {
            action->setEnabled(m_host->IsCommandEnabled(command));
            connect(action, &QAction::triggered, m_host->HostWindow(),
                    [host = m_host, command] { host->OnCommand(command); });
        }
    };
    if (m_host != nullptr && m_host->AllowsCopy()) add(str::kMenuCopy, command::kCopy);
    add(str::kMenuExtract, command::kExtract);
    if (IsFirstSelectedFile()) add(str::kMenuView, command::kView);
    return menu;
}

void CLCReaderView::ShowContextMenu() {
    QMenu* menu = CreateContextMenu();
    menu->exec(QCursor::pos());
    delete menu;
}

bool CLCReaderView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Copying goes only through the Copy command and its switch, never the view's own.
        if (key->matches(QKeySequence::Copy)) return true;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            SelectedRows().size() == 1) {
            OpenSelectedItem();
        }
    }
    return ExpListView::eventFilter(watched, event);
}

}  // namespace lc
