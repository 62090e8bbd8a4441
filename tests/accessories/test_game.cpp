// The 48 Squares game: the board's first click, jumps and refused moves, the
// last and best scores of New Game, and the window that shows the board.

#include "accessories/Game.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <initializer_list>
#include <set>
#include <tuple>
#include <utility>

using namespace fnk;
using accessories::Game;
using accessories::SquaresBoard;
using Click = SquaresBoard::Click;

namespace
{

int pegsOnPlayingSquares(const SquaresBoard& b)
{
    int n = 0;
    for (int sq = 0; sq < SquaresBoard::kSquares; ++sq)
        n += !SquaresBoard::isCorner(sq) && b.hasPeg(sq);
    return n;
}

// Starts a game by emptying `start`, then plays each jump; every one must go.
void play(SquaresBoard& b, int start, std::initializer_list<std::pair<int, int>> jumps)
{
    QCOMPARE(b.click(start), Click::Started);
    for (const auto& [from, to] : jumps) {
        QCOMPARE(b.click(from), Click::Selected);
        QCOMPARE(b.click(to), Click::Moved);
    }
}

// Selects `from`, then clicks `to`, which must be refused.
void refused(SquaresBoard& b, int from, int to)
{
    QCOMPARE(b.click(from), Click::Selected);
    QCOMPARE(b.click(to), Click::Refused);
    QCOMPARE(b.selectedSquare(), -1);
}

struct Window : testsupport::Fixture {
    QPointer<Game> game = new Game;

    Window() { game->show(); }
    ~Window() { delete game; }

    template <typename T = QWidget> T* child(const QString& name) const
    {
        T* w = game->findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QPushButton* square(int n) const
    {
        return child<QPushButton>(QStringLiteral("Button%1").arg(n));
    }
    void click(int n) const { QTest::mouseClick(square(n), Qt::LeftButton); }
    QString label(const char* name) const { return child<QLabel>(QLatin1String(name))->text(); }
};

} // namespace

class GameTest : public QObject
{
    Q_OBJECT

private slots:
    void firstClickEmptiesOneSquare();
    void jumpsInFourDirections();
    void refusedMovesClearSelection();
    void newGameRecordsLastAndBest();
    void windowShowsBoard();
    void windowClicksAndLabels();
    void windowNewGameAndHelp();
};

void GameTest::firstClickEmptiesOneSquare()
{
    const std::set<int> corners{0, 1, 8, 9, 6, 7, 14, 15, 48, 49, 56, 57, 54, 55, 62, 63};
    for (int sq = 0; sq < SquaresBoard::kSquares; ++sq)
        QCOMPARE(SquaresBoard::isCorner(sq), corners.count(sq) == 1);

    SquaresBoard b;
    QVERIFY(b.awaitingFirstClick());
    QCOMPARE(pegsOnPlayingSquares(b), 48);
    QCOMPARE(b.score(), 0);
    QVERIFY(!b.lastScore());
    QCOMPARE(b.bestScore(), 0);

    QCOMPARE(b.click(62), Click::Ignored); // a corner is not played on
    QVERIFY(b.awaitingFirstClick());
    QCOMPARE(b.click(2), Click::Started); // any playing square, even at the edge
    QVERIFY(!b.awaitingFirstClick() && !b.awaitingTarget());
    QVERIFY(!b.hasPeg(2));
    QCOMPARE(pegsOnPlayingSquares(b), 47);
    QCOMPARE(b.score(), 0); // counted after a jump only
}

void GameTest::jumpsInFourDirections()
{
    SquaresBoard b;
    QCOMPARE(b.click(27), Click::Started);
    QCOMPARE(b.click(29), Click::Selected);
    QVERIFY(b.awaitingTarget());
    QCOMPARE(b.selectedSquare(), 29);
    QCOMPARE(b.click(27), Click::Moved); // left, over 28
    QVERIFY(b.hasPeg(27) && !b.hasPeg(28) && !b.hasPeg(29));
    QVERIFY(!b.awaitingTarget());
    QCOMPARE(b.score(), 46);

    for (const auto& [from, to, over] : {std::tuple{26, 28, 27},    // right
                                         std::tuple{11, 27, 19},    // down
                                         std::tuple{45, 29, 37}}) { // up
        QCOMPARE(b.click(from), Click::Selected);
        QCOMPARE(b.click(to), Click::Moved);
        QVERIFY(b.hasPeg(to) && !b.hasPeg(from) && !b.hasPeg(over));
    }
    QCOMPARE(b.score(), 43);
    QCOMPARE(pegsOnPlayingSquares(b), 43);
}

void GameTest::refusedMovesClearSelection()
{
    SquaresBoard b;
    play(b, 27, {{29, 27}});               // 28 and 29 now empty
    refused(b, 27, 35);                    // the target holds a peg
    refused(b, 27, 27);                    // so does the start itself
    refused(b, 30, 29);                    // one square away
    refused(b, 43, 29);                    // diagonal
    refused(b, 24, 29);                    // five away in the row
    refused(b, 30, 28);                    // over the empty 29
    QCOMPARE(b.click(28), Click::Refused); // an empty square cannot start a jump
    QVERIFY(!b.awaitingTarget());

    // Corner squares always hold a peg and take no clicks, so they are never
    // a target: the selection waits for a real one.
    QCOMPARE(b.click(23), Click::Selected);
    QCOMPARE(b.click(15), Click::Ignored);
    QVERIFY(b.hasPeg(15));
    QCOMPARE(b.selectedSquare(), 23);
    QCOMPARE(b.click(29), Click::Refused);
    QCOMPARE(b.score(), 46);
    QCOMPARE(pegsOnPlayingSquares(b), 46);

    // Sideways jumps stay in their row: the last column does not reach into
    // the next row, nor the first column into the one above.
    SquaresBoard down;
    play(down, 25, {});
    refused(down, 23, 25); // over 24, the first square of the next row
    SquaresBoard up;
    play(up, 22, {});
    refused(up, 24, 22); // over 23, the last square of the row above
    QCOMPARE(pegsOnPlayingSquares(down), 47);
    QCOMPARE(pegsOnPlayingSquares(up), 47);
}

void GameTest::newGameRecordsLastAndBest()
{
    SquaresBoard b;
    b.newGame(); // nothing played since the board was made
    QCOMPARE(b.lastScore(), 0);
    QCOMPARE(b.bestScore(), 0);

    play(b, 27, {{29, 27}});
    b.newGame(); // the first finished game becomes the best
    QCOMPARE(b.lastScore(), 46);
    QCOMPARE(b.bestScore(), 46);
    QVERIFY(b.awaitingFirstClick());
    QCOMPARE(pegsOnPlayingSquares(b), 48);

    play(b, 27, {{29, 27}, {26, 28}});
    b.newGame(); // lower replaces the best
    QCOMPARE(b.lastScore(), 45);
    QCOMPARE(b.bestScore(), 45);

    play(b, 27, {{29, 27}});
    QCOMPARE(b.click(35), Click::Selected);
    b.newGame(); // higher does not; a pending selection is dropped
    QCOMPARE(b.lastScore(), 46);
    QCOMPARE(b.bestScore(), 45);
    QVERIFY(!b.awaitingTarget());
    QCOMPARE(b.click(35), Click::Started);
}

void GameTest::windowShowsBoard()
{
    Window w;
    QCOMPARE(w.game->objectName(), QStringLiteral("FNKGame"));
    QCOMPARE(w.game->windowTitle(), QStringLiteral("  48"));
    QVERIFY(w.game->isWindow());
    QCOMPARE(w.game->windowModality(), Qt::NonModal);
    QCOMPARE(w.game->findChildren<QPushButton*>().size(), 64);
    for (int n = 0; n < SquaresBoard::kSquares; ++n) {
        const QPushButton* b = w.square(n);
        QCOMPARE(b->isVisible(), !SquaresBoard::isCorner(n));
        QCOMPARE(b->text(), QStringLiteral("X"));
        QVERIFY(b->font().bold());
    }
    // Row by row: 10 and 11 side by side, 3 above 11.
    QCOMPARE(w.square(10)->y(), w.square(11)->y());
    QVERIFY(w.square(10)->x() < w.square(11)->x());
    QCOMPARE(w.square(3)->x(), w.square(11)->x());
    QVERIFY(w.square(3)->y() < w.square(11)->y());

    const std::pair<const char*, const char*> labels[] = {
        {"Label2", ""},           {"Label3", ""},     {"last", "(none)"},
        {"lastlab", "last game"}, {"best", "(none)"}, {"bestlab", "best game"}};
    for (const auto& [name, text] : labels)
        QCOMPARE(w.label(name), QString::fromLatin1(text));
    QCOMPARE(w.child<QAction>(QStringLiteral("mu_new"))->text(), QStringLiteral("&New Game"));
    QCOMPARE(w.child<QAction>(QStringLiteral("mu_GameHelp"))->text(), QStringLiteral("&Help"));
}

void GameTest::windowClicksAndLabels()
{
    Window w;
    w.click(27);
    QCOMPARE(w.square(27)->text(), QString());
    QCOMPARE(w.label("Label2"), QStringLiteral("from..."));
    w.click(29);
    QCOMPARE(w.label("Label2"), QStringLiteral("to..."));
    w.click(27);
    QCOMPARE(w.label("Label2"), QStringLiteral("from..."));
    QCOMPARE(w.label("Label3"), QString());
    QCOMPARE(w.square(27)->text(), QStringLiteral("X"));
    QCOMPARE(w.square(28)->text(), QString());
    QCOMPARE(w.square(29)->text(), QString());
    QCOMPARE(w.game->board().score(), 46);

    w.click(35);
    w.click(34); // one square away
    QCOMPARE(w.label("Label3"), QStringLiteral("no good"));
    QCOMPARE(w.label("Label2"), QStringLiteral("from..."));
    QCOMPARE(w.square(35)->text(), QStringLiteral("X"));
    w.click(26);
    QCOMPARE(w.label("Label3"), QString()); // the next click clears the message
    QCOMPARE(w.label("Label2"), QStringLiteral("to..."));
}

void GameTest::windowNewGameAndHelp()
{
    Window w;
    QAction* newGame = w.child<QAction>(QStringLiteral("mu_new"));
    newGame->trigger();
    QCOMPARE(w.label("last"), QStringLiteral("0"));
    QCOMPARE(w.label("best"), QStringLiteral("0"));

    w.click(27);
    w.click(29);
    w.click(27);
    w.click(40); // selected when the game ends
    newGame->trigger();
    QCOMPARE(w.label("last"), QStringLiteral("46"));
    QCOMPARE(w.label("best"), QStringLiteral("46"));
    QCOMPARE(w.label("Label2"), QString());
    for (int n : {27, 28, 29, 40})
        QCOMPARE(w.square(n)->text(), QStringLiteral("X"));
    QVERIFY(w.game->board().awaitingFirstClick());

    w.child<QAction>(QStringLiteral("mu_GameHelp"))->trigger();
    const auto shown = w.port.messagesShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QStringLiteral("48 Squares Game - Fennick 3"));
    QCOMPARE(shown[0].icon, platform::Icon::Information);
    const QStringList paragraphs = shown[0].text.split(QStringLiteral("\n\n"));
    QCOMPARE(paragraphs.size(), 7);
    QCOMPARE(paragraphs[0], QStringLiteral("How to play"));
    QCOMPARE(paragraphs[1],
             QStringLiteral("First click on any box  to be the starting point  - the "
                            "X in it will disapear (you need an empty space to "
                            "begin)."));
    QCOMPARE(paragraphs[6], QStringLiteral("To try again, click File, New Game. The game records "
                                           "your last score and your best score,  just to "
                                           "frustrate you. :-)"));
    QVERIFY(!shown[0].text.contains(QStringLiteral("\n\n\n")));
}

QTEST_MAIN(GameTest)
#include "test_game.moc"
