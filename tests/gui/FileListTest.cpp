// The file list on its own, over hand-made DirInfo records: cell texts, markers, the comparison
// rules and the model's contract.
#include <QAbstractItemModelTester>
#include <QtTest>
#include <deque>

#include "fs/DirInfo.h"
#include "platform/Locale.h"
#include "views/CLCReaderView.h"

namespace {

uint32_t Pack(int year, int month, int day, int hour, int minute, int twoSeconds) {
    const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | twoSeconds);
    return (date << 16) | time;
}

lc::DirInfo Record(char16_t kind, const char16_t* name, uint64_t size = 0, uint32_t modified = 0,
                   uint32_t attributes = 0) {
    lc::DirInfo r;
    r.kind = kind;
    r.name = name;
    r.size = size;
    r.modified = modified;
    r.attributes = attributes;
    return r;
}

}  // namespace

class FileListTest : public QObject {
    Q_OBJECT

private slots:
    void sizeText_data() {
        QTest::addColumn<quint64>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << quint64(0) << QStringLiteral("0 KB");
        QTest::newRow("1") << quint64(1) << QStringLiteral("1 KB");
        QTest::newRow("1024") << quint64(1024) << QStringLiteral("1 KB");
        QTest::newRow("1025") << quint64(1025) << QStringLiteral("2 KB");
        QTest::newRow("1 MiB") << quint64(1048576) << QStringLiteral("1.024 KB");
        QTest::newRow("4294967295") << quint64(4294967295u) << QStringLiteral("4.194.304 KB");
        QTest::newRow("4 TiB") << quint64(4398046511104) << QStringLiteral("4.294.967.296 KB");
        QTest::newRow("max") << quint64(UINT64_MAX) << QStringLiteral("18.014.398.509.481.984 KB");
    }
    void sizeText() {
        QFETCH(quint64, size);
        QFETCH(QString, text);
        QCOMPARE(lc::CLCReaderView::SizeText(size), text);
    }

    void dateText_data() {
        QTest::addColumn<uint>("modified");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("withTime");
        QTest::newRow("2010-01-15 15:04:06") << uint(Pack(2010, 1, 15, 15, 4, 3)) << true << true;
        QTest::newRow("leap day 2012") << uint(Pack(2012, 2, 29, 23, 59, 29)) << true << true;
        QTest::newRow("midnight") << uint(Pack(2010, 1, 15, 0, 0, 0)) << true << false;
        QTest::newRow("month 0") << uint(Pack(2010, 0, 15, 1, 2, 3)) << false << false;
        QTest::newRow("month 13") << uint(Pack(2010, 13, 15, 1, 2, 3)) << false << false;
        QTest::newRow("day 0") << uint(Pack(2010, 1, 0, 1, 2, 3)) << false << false;
        QTest::newRow("30 February") << uint(Pack(2010, 2, 30, 1, 2, 3)) << false << false;
        QTest::newRow("29 February 2011") << uint(Pack(2011, 2, 29, 1, 2, 3)) << false << false;
        QTest::newRow("hour 24") << uint(Pack(2010, 1, 15, 24, 0, 0)) << false << false;
        QTest::newRow("minute 60") << uint(Pack(2010, 1, 15, 1, 60, 0)) << false << false;
        QTest::newRow("60 seconds") << uint(Pack(2010, 1, 15, 1, 2, 30)) << false << false;
        QTest::newRow("all zero") << 0u << false << false;
    }
    void dateText() {
        QFETCH(uint, modified);
        QFETCH(bool, valid);
        QFETCH(bool, withTime);
        const QString text = lc::CLCReaderView::DateText(modified);
        if (!valid) {
            QCOMPARE(text, QStringLiteral("Invalid DateTime"));
            return;
        }
        const int year = 1980 + static_cast<int>(modified >> 25);
        QVERIFY2(text.contains(QString::number(year)), qPrintable(text));
        QCOMPARE(text.contains(u':'), withTime);
        if (modified == Pack(2010, 1, 15, 15, 4, 3)) {
            // The time part carries seconds, in 2-second units on disk.
            QVERIFY2(text.contains(QStringLiteral("04:06")), qPrintable(text));
        }
    }

    void compare_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<int>("aIndex");
        QTest::addColumn<int>("bIndex");
        QTest::addColumn<int>("sign");
        // 0 folder "Zeta", 1 folder "alpha", 2 file "_under" (10 B, 2010),
        // 3 file "Apple" (10 B, 2008), 4 file "apple" (0 B, 2008)
        QTest::newRow("folder before file by name") << 0 << true << 0 << 3 << -1;
        QTest::newRow("folders last descending") << 0 << false << 0 << 3 << 1;
        QTest::newRow("case folded") << 0 << true << 3 << 4 << 0;
        QTest::newRow("underscore before letters") << 0 << true << 2 << 3 << -1;
        QTest::newRow("folder counts as size 0") << 1 << true << 0 << 4 << 0;
        QTest::newRow("smaller first") << 1 << true << 4 << 3 << -1;
        QTest::newRow("larger first descending") << 1 << false << 4 << 3 << 1;
        QTest::newRow("2008 before 2010") << 2 << true << 3 << 2 << -1;
        QTest::newRow("folders first by date") << 2 << true << 2 << 0 << 1;
        QTest::newRow("newest first descending") << 2 << false << 3 << 2 << 1;
        QTest::newRow("other column") << 7 << true << 0 << 3 << 0;
    }
    void compare() {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(int, aIndex);
        QFETCH(int, bIndex);
        QFETCH(int, sign);
        const std::vector<lc::DirInfo> records = {
            Record(u'D', u"Zeta", 0, Pack(2012, 1, 1, 0, 0, 0)),
            Record(u'D', u"alpha", 0, Pack(2001, 1, 1, 0, 0, 0)),
            Record(u'F', u"_under", 10, Pack(2010, 1, 1, 0, 0, 0)),
            Record(u'F', u"Apple", 10, Pack(2008, 1, 1, 0, 0, 0)),
            Record(u'F', u"apple", 0, Pack(2008, 1, 1, 0, 0, 0)),
        };
        const int result = lc::CLCReaderView::CompareRecords(&records[aIndex], &records[bIndex],
                                                             column, ascending);
        QCOMPARE((result > 0) - (result < 0), sign);
    }

    void markersAndModel() {
        std::deque<lc::DirInfo> records;
        lc::DirInfo& root = records.emplace_back(Record(u'D', u"root"));
        lc::DirInfo& sub = records.emplace_back(Record(u'D', u"sub", 0, Pack(2010, 1, 1, 0, 0, 0)));
        root.firstChild = &sub;
        lc::DirInfo& plain = records.emplace_back(Record(u'F', u"plain.txt", 5));
        lc::DirInfo& packed = records.emplace_back(Record(u'F', u"packed.txt", 5, 0, 0x800));
        lc::DirInfo& secret = records.emplace_back(Record(u'F', u"secret.txt", 5, 0, 0x4000));
        lc::DirInfo& both = records.emplace_back(Record(u'F', u"both.txt", 5, 0, 0x4800));
        root.firstFile = &plain;
        plain.nextFile = &packed;
        packed.nextFile = &secret;
        secret.nextFile = &both;

        lc::CLCReaderView view;
        QAbstractItemModelTester tester(view.Model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        view.ShowFolder(&root);
        const bool german = lc::UserLanguage() == lc::Language::German;
        const QString compressed = german ? QStringLiteral("nicht unterstützte komprimierte Datei")
                                          : QStringLiteral("unsupported compressed file");
        const QString encrypted = german ? QStringLiteral("nicht unterstützte verschlüsselte Datei")
                                         : QStringLiteral("unsupported encrypted file");
        QStringList texts;
        for (int r = 0; r < view.Model()->rowCount(); ++r) {
            texts.append(view.Model()->index(r, 0).data().toString());
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("sub"), QStringLiteral("plain.txt"),
                                     QStringLiteral("packed.txt (") + compressed + u')',
                                     QStringLiteral("secret.txt (") + encrypted + u')',
                                     QStringLiteral("both.txt (") + compressed +
                                         QStringLiteral(") (") + encrypted + u')'}));
        // Sorting by name uses the record's name, not the text with markers.
        view.OnColumnClick(0);
        QCOMPARE(view.RecordAt(1), &both);
        QCOMPARE(view.RecordAt(3), &plain);
        QCOMPARE(view.RecordAt(4), &secret);
        // Selection follows its record through a sort.
        view.SelectionModel()->select(view.Model()->index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.OnColumnClick(0);
        QCOMPARE(view.FirstSelected(), 1);
        QCOMPARE(view.RecordAt(1), &plain);
        QVERIFY(view.IsFirstSelectedFile());
        view.ShowFolder(nullptr);
        QCOMPARE(view.Model()->rowCount(), 0);
        QCOMPARE(view.FirstSelected(), -1);
        lc::CLCReaderView::ResetSortFlags();
    }
};

QTEST_MAIN(FileListTest)
#include "FileListTest.moc"
