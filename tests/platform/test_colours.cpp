// Readable shades of the program's hues on light, dark and marked
// backgrounds, and the access keys given to menus.

#include "platform/Accessibility.h"
#include "platform/Colours.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QtTest>

using namespace fnk::platform;
#include "support/DarkPalette.h"

using fnk::testsupport::darkPalette;

namespace {


}  // namespace

class ColoursTest : public QObject {
    Q_OBJECT
private slots:
    void contrastFollowsTheWcagFormula()
    {
        QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
        QCOMPARE(contrastRatio(Qt::white, Qt::white), 1.0);
        // Pure red on white is short of 4.5:1, blue on white well above.
        QVERIFY(qAbs(contrastRatio(QColor(255, 0, 0), Qt::white) - 4.0) < 0.01);
        QVERIFY(qAbs(contrastRatio(QColor(0, 0, 255), Qt::white) - 8.59) < 0.01);
    }

    void huesKeepTheirMeaningAndReadOnEveryBackground()
    {
        const QColor backgrounds[] = {Qt::white,           QColor(30, 30, 30), Qt::black,
                                      QColor(0, 255, 255), QColor(255, 255, 0), QColor(53, 53, 53),
                                      markedBackground(QColor(255, 255, 0), darkPalette()),
                                      markedBackground(QColor(0, 255, 255), darkPalette())};
        for (const QColor& back : backgrounds) {
            const QColor red = readableOn(QColor(255, 0, 0), back);
            const QColor blue = readableOn(QColor(0, 0, 255), back);
            const QColor dark = readableOn(QColor(0xB0, 0, 0), back);
            for (const QColor& c : {red, blue, dark})
                QVERIFY2(contrastRatio(c, back) >= 4.5, qPrintable(back.name() + " " + c.name()));
            // Red stays red and blue stays blue: their own channel leads.
            QVERIFY(red.red() > red.green() && red.red() > red.blue());
            QVERIFY(dark.red() > dark.green() && dark.red() > dark.blue());
            QVERIFY(blue.blue() > blue.red() && blue.blue() > blue.green());
        }
        // A colour that reads already is left as it is.
        QCOMPARE(readableOn(QColor(0, 0, 255), Qt::white), QColor(0, 0, 255));
    }

    void marksStandOutOnBothPalettes()
    {
        QPalette light;
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        QVERIFY(!isDark(light));
        QVERIFY(isDark(darkPalette()));
        QCOMPARE(markedBackground(QColor(255, 255, 0), light), QColor(255, 255, 0));
        const QColor deep = markedBackground(QColor(255, 255, 0), darkPalette());
        // Yellowish, darker than the text, unlike the plain dark field.
        QVERIFY(deep.red() > deep.blue() + 20 && deep.green() > deep.blue() + 20);
        QVERIFY(contrastRatio(darkPalette().color(QPalette::Text), deep) >= 4.5);
    }

    void menusGetUniqueAccessKeys()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("&Save"));
        QAction* search = menu.addAction(QStringLiteral("Search by Payee"));
        QAction* second = menu.addAction(QStringLiteral("Search by Account"));
        QAction* both = menu.addAction(QStringLiteral("Salt && Pepper"));
        menu.addSeparator();
        giveAccessKeys(&menu);
        QCOMPARE(search->text(), QStringLiteral("Search &by Payee"));
        QCOMPARE(second->text(), QStringLiteral("Search by &Account"));
        QCOMPARE(both->text(), QStringLiteral("Salt && &Pepper"));
        // A text changed later gets a key as the menu opens.
        search->setText(QStringLiteral("Search by Shop"));
        emit menu.aboutToShow();
        QCOMPARE(accessKey(search->text()), QLatin1Char('B'));
        QCOMPARE(plainCaption(QStringLiteral(" Salt && &Pepper  ")), QStringLiteral("Salt & Pepper"));
    }
};

QTEST_MAIN(ColoursTest)
#include "test_colours.moc"
