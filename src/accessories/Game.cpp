#include "accessories/Game.h"

#include "platform/MessagePort.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace fnk::accessories
{

namespace
{

constexpr int kSquareSize = 34;

const QString kPeg = QStringLiteral("X");
const QString kFrom = QStringLiteral("from...");
const QString kTo = QStringLiteral("to...");
const QString kNoGood = QStringLiteral("no good");

QString helpText()
{
    return QStringList{
        QStringLiteral("How to play"),
        QStringLiteral("First click on any box  to be the starting point  - the X in it will "
                       "disapear (you need an empty space to begin)."),
        QStringLiteral("After this first one,  X's are removed by jumping over them with another "
                       "X."),
        QStringLiteral("Click on the X you wish to move, then click on an empty space two spaces "
                       "away. The X you jumped over will be cleared, and the one you jumped it "
                       "with moves to the new space."),
        QStringLiteral("You can only move horizontal or vertical, no diagonal moves are allowed."),
        QStringLiteral("The game is over when it is no longer possible to jump one X over "
                       "another one."),
        QStringLiteral("To try again, click File, New Game. The game records your last score and "
                       "your best score,  just to frustrate you. :-)"),
    }
        .join(QStringLiteral("\n\n"));
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

// ------------------------------------------------------------ the board

bool SquaresBoard::isCorner(int square)
{
    const int row = square / kSide;
    const int column = square % kSide;
    const auto outer = [](int i) { return i < 2 || i >= kSide - 2; };
    return outer(row) && outer(column);
}

void SquaresBoard::initialize()
{
    pegs_.fill(true);
    firstMove_ = true;
    selected_ = -1;
}

int SquaresBoard::countPegs() const
{
    return int(std::count(pegs_.begin(), pegs_.end(), true)) - kCornerSquares;
}

SquaresBoard::Click SquaresBoard::refuse()
{
    selected_ = -1;
    return Click::Refused;
}

SquaresBoard::Click SquaresBoard::click(int square)
{
    if (square < 0 || square >= kSquares || isCorner(square))
        return Click::Ignored;
    if (firstMove_) {
        pegs_[std::size_t(square)] = false;
        firstMove_ = false;
        return Click::Started;
    }
    if (selected_ < 0) {
        // Only a peg can be the start of a jump.
        if (!hasPeg(square))
            return refuse();
        selected_ = square;
        return Click::Selected;
    }
    if (hasPeg(square))
        return refuse();

    // A jump goes two squares straight down, up, right or left; a sideways
    // jump stays within its row.
    const int from = selected_;
    const bool sameRow = from / kSide == square / kSide;
    int over = -1;
    if (square == from + 2 * kSide)
        over = from + kSide;
    else if (square == from - 2 * kSide)
        over = from - kSide;
    else if (sameRow && square == from + 2)
        over = from + 1;
    else if (sameRow && square == from - 2)
        over = from - 1;
    if (over < 0 || !hasPeg(over))
        return refuse();

    pegs_[std::size_t(over)] = false;
    pegs_[std::size_t(from)] = false;
    pegs_[std::size_t(square)] = true;
    score_ = countPegs();
    selected_ = -1;
    return Click::Moved;
}

void SquaresBoard::newGame()
{
    last_ = score_;
    if (best_ == 0 || score_ < best_)
        best_ = score_;
    initialize();
}

// ------------------------------------------------------------ the window

Game::Game(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FNKGame"));
    setWindowTitle(QStringLiteral("  48"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    buildControls();
    showBoard();
}

void Game::buildControls()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mu_GameFile"));
    QAction* newGame = file->addAction(QStringLiteral("&New Game"));
    newGame->setObjectName(QStringLiteral("mu_new"));
    QAction* help = file->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mu_GameHelp"));
    connect(newGame, &QAction::triggered, this, &Game::mu_new_Click);
    connect(help, &QAction::triggered, this, &Game::mu_GameHelp_Click);
    // Esc ends the game, as closing its window does.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int n = 0; n < SquaresBoard::kSquares; ++n) {
        auto* b = new QPushButton(central);
        b->setObjectName(QStringLiteral("Button%1").arg(n));
        b->setFixedSize(kSquareSize, kSquareSize);
        b->setFocusPolicy(Qt::NoFocus);
        QFont bold = b->font();
        bold.setBold(true);
        b->setFont(bold);
        b->setVisible(!SquaresBoard::isCorner(n));
        connect(b, &QPushButton::clicked, this, [this, n] { Button_Click(n); });
        grid->addWidget(b, n / SquaresBoard::kSide, n % SquaresBoard::kSide);
        buttons_[std::size_t(n)] = b;
    }
    column->addLayout(grid);

    prompt_ = label(central, "Label2", QString());
    message_ = label(central, "Label3", QString());
    last_ = label(central, "last", QStringLiteral("(none)"));
    best_ = label(central, "best", QStringLiteral("(none)"));
    auto* scores = new QGridLayout;
    scores->addWidget(prompt_, 0, 0);
    scores->addWidget(message_, 0, 1);
    scores->addWidget(label(central, "lastlab", QStringLiteral("last game")), 1, 0);
    scores->addWidget(last_, 1, 1);
    scores->addWidget(label(central, "bestlab", QStringLiteral("best game")), 2, 0);
    scores->addWidget(best_, 2, 1);
    column->addLayout(scores);
    setCentralWidget(central);
}

void Game::showBoard()
{
    for (int n = 0; n < SquaresBoard::kSquares; ++n)
        buttons_[std::size_t(n)]->setText(board_.hasPeg(n) ? kPeg : QString());
}

void Game::Button_Click(int square)
{
    const SquaresBoard::Click outcome = board_.click(square);
    if (outcome == SquaresBoard::Click::Ignored)
        return;
    if (outcome != SquaresBoard::Click::Started)
        message_->setText(outcome == SquaresBoard::Click::Refused ? kNoGood : QString());
    prompt_->setText(board_.awaitingTarget() ? kTo : kFrom);
    showBoard();
}

void Game::mu_new_Click()
{
    board_.newGame();
    last_->setText(QString::number(*board_.lastScore()));
    best_->setText(QString::number(board_.bestScore()));
    prompt_->clear();
    message_->clear();
    showBoard();
}

void Game::mu_GameHelp_Click()
{
    platform::messages().inform(QStringLiteral("48 Squares Game - Fennick 3"), helpText());
}

} // namespace fnk::accessories
