// The pick lists of the two user fields: loading, remembering a new value and
// removing one.

#include "store/FileIo.h"
#include "store/PickList.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QtTest>

using namespace fnk::store;
using fnk::testsupport::Fixture;
using fnk::testsupport::readBytes;
using fnk::testsupport::writeBytes;

class PickListTest : public QObject {
    Q_OBJECT

private slots:
    void filesOfTheTwoFields();
    void loadKeepsFileOrder();
    void loadLineEnds_data();
    void loadLineEnds();
    void containsComparesTrimmed();
    void addRemembersNewValuesOnce();
    void addStoresFirstTenAsTyped();
    void addIgnoresEmptyValues();
    void addAfterUnterminatedLastLine();
    void removeDropsEveryCopy();
    void removeOfUnknownValueKeepsLines();
    void failedWritesLeaveListUnchanged();
};

void PickListTest::filesOfTheTwoFields()
{
    Fixture fx;
    PickList one = PickList::forField(fx.folder(), 1);
    const PickList two = PickList::forField(fx.folder(), 2);
    QCOMPARE(one.path(), fx.path(QStringLiteral("udf1.dat")));
    QCOMPARE(one.workPath(), fx.path(QStringLiteral("udf1.tmp")));
    QCOMPARE(two.path(), fx.path(QStringLiteral("udf2.dat")));
    QCOMPARE(two.workPath(), fx.path(QStringLiteral("udf2.tmp")));
    // The folder may be given without its final separator.
    QCOMPARE(PickList::forField(fx.dir.path(), 2).path(), two.path());
    QVERIFY_THROWS_EXCEPTION(FileError, PickList::forField(fx.folder(), 3));

    // The two lists are separate files.
    one.add(QStringLiteral("Bank"));
    QVERIFY(one.contains(QStringLiteral("Bank")));
    QVERIFY(!two.contains(QStringLiteral("Bank")));
    QVERIFY(QFileInfo::exists(two.path()));
}

void PickListTest::loadKeepsFileOrder()
{
    Fixture fx;
    const PickList list = PickList::forField(fx.folder(), 1);
    QVERIFY(!QFileInfo::exists(list.path()));
    QCOMPARE(list.load(), QStringList());
    QVERIFY(QFileInfo::exists(list.path()));  // created empty
    QCOMPARE(QFileInfo(list.path()).size(), qint64(0));

    writeBytes(list.path(), "Bank\r\nCash\r\n");
    QCOMPARE(list.load(), QStringList({"Bank", "Cash"}));

    // Lines come back as stored: spaces and code-page characters included.
    writeBytes(list.path(), "  Caf\xE9 \r\n\x80uro\r\nBank\r\n");
    QCOMPARE(list.load(), QStringList({"  Café ", "€uro", "Bank"}));
}

void PickListTest::loadLineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("last line unterminated") << QByteArray("Bank\r\nCash") << QStringList{"Bank", "Cash"};
    QTest::newRow("single unterminated") << QByteArray("Card") << QStringList{"Card"};
    QTest::newRow("empty line kept") << QByteArray("Bank\r\n\r\nCash\r\n")
                                     << QStringList{"Bank", "", "Cash"};
    QTest::newRow("lone line feeds") << QByteArray("Bank\nCash\n") << QStringList{"Bank", "Cash"};
    QTest::newRow("lone carriage return") << QByteArray("Bank\rCash") << QStringList{"Bank", "Cash"};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
}

void PickListTest::loadLineEnds()
{
    Fixture fx;
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const PickList list = PickList::forField(fx.folder(), 2);
    writeBytes(list.path(), bytes);
    QCOMPARE(list.load(), lines);
}

void PickListTest::containsComparesTrimmed()
{
    Fixture fx;
    const PickList list = PickList::forField(fx.folder(), 1);
    QVERIFY(!list.contains(QStringLiteral("Bank")));  // missing file: empty list
    writeBytes(list.path(), "  Bank  \r\nCash\r\nCafé\r\n");
    QVERIFY(list.contains(QStringLiteral("Bank")));
    QVERIFY(list.contains(QStringLiteral("   Cash ")));
    QVERIFY(!list.contains(QStringLiteral("bank")));
    QVERIFY(!list.contains(QStringLiteral("Ban")));
    QVERIFY(!list.contains(QStringLiteral("Ca sh")));
    QVERIFY(!list.contains(QString()));
}

void PickListTest::addRemembersNewValuesOnce()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 1);
    QVERIFY(list.add(QStringLiteral("Bank")));
    QVERIFY(!list.add(QStringLiteral("Bank")));
    QVERIFY(!list.add(QStringLiteral("  Bank ")));
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\n"));

    // Case counts: bank is a value of its own, and comes last.
    QVERIFY(list.add(QStringLiteral("Cash")));
    QVERIFY(list.add(QStringLiteral("bank")));
    QCOMPARE(list.load(), QStringList({"Bank", "Cash", "bank"}));
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\nCash\r\nbank\r\n"));

    // A value that matches a listed one only when both are trimmed.
    writeBytes(list.path(), " Card   \r\n");
    QVERIFY(!list.add(QStringLiteral("Card")));
    QCOMPARE(readBytes(list.path()), QByteArray(" Card   \r\n"));
}

void PickListTest::addStoresFirstTenAsTyped()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 2);
    QVERIFY(list.add(QStringLiteral("Supermarket 24")));
    QVERIFY(list.add(QStringLiteral("  Cash")));
    QVERIFY(list.add(QStringLiteral("   Credit card")));
    QVERIFY(list.add(QStringLiteral("Café “Zé”")));
    QCOMPARE(readBytes(list.path()),
             QByteArray("Supermarke\r\n  Cash\r\n   Credit \r\nCaf\xE9 \x93Z\xE9\x94\r\n"));
    QCOMPARE(list.load(), QStringList({"Supermarke", "  Cash", "   Credit ", "Café “Zé”"}));

    // A later long value with the same first ten finds them listed, so the
    // list never holds the same value twice.
    QVERIFY(!list.add(QStringLiteral("Supermarket 24")));
    QVERIFY(!list.add(QStringLiteral("Supermarkets")));
    QVERIFY(!list.add(QStringLiteral("   Credit union")));
    QCOMPARE(list.load().size(), qsizetype(4));

    // Ten leading spaces leave nothing to remember.
    QVERIFY(!list.add(QStringLiteral("          Loan")));
    QCOMPARE(list.load().size(), qsizetype(4));
}

void PickListTest::addIgnoresEmptyValues()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 1);
    writeBytes(list.path(), "Bank\r\n\r\n");  // even with an empty line listed
    QVERIFY(!list.add(QString()));
    QVERIFY(!list.add(QStringLiteral("     ")));
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\n\r\n"));
}

void PickListTest::addAfterUnterminatedLastLine()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 1);
    writeBytes(list.path(), "Bank\r\nCash");
    QVERIFY(!list.add(QStringLiteral("Cash")));
    QVERIFY(list.add(QStringLiteral("Card")));
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\nCash\r\nCard\r\n"));
    QCOMPARE(list.load(), QStringList({"Bank", "Cash", "Card"}));
}

void PickListTest::removeDropsEveryCopy()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 1);
    writeBytes(list.path(), "Bank\r\nCash\r\nCash\r\nCard\r\n");
    QCOMPARE(list.remove(QStringLiteral("Cash")), 2);
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\nCard\r\n"));
    QVERIFY(!QFileInfo::exists(list.workPath()));

    // Copies that differ only in their spaces go too; other cases stay.
    writeBytes(list.path(), " Cash\r\nBank\r\nCash   \r\ncash\r\nCash");
    QCOMPARE(list.remove(QStringLiteral("  Cash ")), 3);
    QCOMPARE(list.load(), QStringList({"Bank", "cash"}));

    // A work file left over from an interrupted removal is not added to.
    writeBytes(list.workPath(), "Stale\r\n");
    QCOMPARE(list.remove(QStringLiteral("cash")), 1);
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\n"));

    QCOMPARE(list.remove(QStringLiteral("Bank")), 1);
    QVERIFY(QFileInfo::exists(list.path()));
    QCOMPARE(list.load(), QStringList());
}

void PickListTest::removeOfUnknownValueKeepsLines()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 2);
    QCOMPARE(list.remove(QStringLiteral("Bank")), 0);  // a missing list ends up empty
    QVERIFY(QFileInfo::exists(list.path()));
    QCOMPARE(readBytes(list.path()), QByteArray());

    writeBytes(list.path(), "Bank\r\n  Caf\xE9\r\n\x80\r\n");
    QCOMPARE(list.remove(QStringLiteral("Card")), 0);
    QCOMPARE(readBytes(list.path()), QByteArray("Bank\r\n  Caf\xE9\r\n\x80\r\n"));
}

void PickListTest::failedWritesLeaveListUnchanged()
{
    Fixture fx;
    PickList list = PickList::forField(fx.folder(), 1);
    const QByteArray before("Bank\r\nCash\r\nCard");
    writeBytes(list.path(), before);

    testing::failWritesAfter(0);
    QVERIFY_THROWS_EXCEPTION(FileError, list.add(QStringLiteral("Loan")));
    QCOMPARE(readBytes(list.path()), before);
    QVERIFY_THROWS_EXCEPTION(FileError, list.remove(QStringLiteral("Cash")));
    QCOMPARE(readBytes(list.path()), before);
    QVERIFY(!QFileInfo::exists(list.workPath()));

    testing::reset();
    QCOMPARE(list.remove(QStringLiteral("Cash")), 1);
    QCOMPARE(list.load(), QStringList({"Bank", "Card"}));
}

QTEST_GUILESS_MAIN(PickListTest)
#include "test_picklists.moc"
