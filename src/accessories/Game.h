#pragma once

#include <QMainWindow>

#include <array>
#include <optional>

class QLabel;
class QPushButton;

namespace fnk::accessories
{

// The 48 Squares peg-jumping board, without a window.  Squares are numbered
// 0 to 63 row by row (8 * row + column); the four 2 x 2 corner blocks are
// not played on and always count as holding a peg.
class SquaresBoard
{
public:
    static constexpr int kSide = 8;
    static constexpr int kSquares = kSide * kSide;
    static constexpr int kCornerSquares = 16;

    enum class Click {
        Started,  // the first click of a game emptied the square
        Selected, // the square is the start of a move
        Moved,    // a peg jumped from the selected square to this one
        Refused,  // "no good": the selection is cleared
        Ignored,  // not a playing square
    };

    SquaresBoard() { initialize(); }

    static bool isCorner(int square);
    bool hasPeg(int square) const { return pegs_[std::size_t(square)]; }
    bool awaitingFirstClick() const { return firstMove_; }
    bool awaitingTarget() const { return selected_ >= 0; }
    int selectedSquare() const { return selected_; } // -1 when none

    // Pegs left on the 48 playing squares, counted after each valid move;
    // 0 until the first one since the board was made.
    int score() const { return score_; }
    // The score a new game recorded last; nothing before the first new game.
    std::optional<int> lastScore() const { return last_; }
    // The lowest score recorded; 0 while there is none.
    int bestScore() const { return best_; }

    Click click(int square);
    // Records the score as the last one (and the best if lower) and sets up
    // a full board waiting for its first click.
    void newGame();

private:
    void initialize();
    Click refuse();
    int countPegs() const;

    std::array<bool, kSquares> pegs_{};
    bool firstMove_ = true;
    int selected_ = -1;
    int score_ = 0;
    std::optional<int> last_;
    int best_ = 0;
};

// The game window "FNKGame": the board as 64 buttons "Button0" to "Button63"
// (the corner ones hidden), the prompt, the message line and the last and
// best scores.  A window of its own that does not block the one that opened
// it; it is deleted when closed, and the scores with it.
class Game : public QMainWindow
{
    Q_OBJECT
public:
    explicit Game(QWidget* parent = nullptr);

    const SquaresBoard& board() const { return board_; }

public slots:
    void mu_new_Click();
    void mu_GameHelp_Click();
    void Button_Click(int square);

private:
    void buildControls();
    void showBoard();

    SquaresBoard board_;
    std::array<QPushButton*, SquaresBoard::kSquares> buttons_{};
    QLabel* prompt_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* last_ = nullptr;
    QLabel* best_ = nullptr;
};

} // namespace fnk::accessories
