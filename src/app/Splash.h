#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace fnk::app {

// The start-up form with its optional password gate.  Three wrong
// passwords are allowed; the next "START" ends the program.
class Splash : public QDialog {
    Q_OBJECT
public:
    explicit Splash(const QString& password, QWidget* parent = nullptr);

    int attempts() const { return attempts_; }
    QLineEdit* passwordBox() const { return password_; }

signals:
    void passed();       // the right password, or none set
    void endProgram();   // the fourth try, or the form closed without passing

private slots:
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString stored_;
    int attempts_ = 0;
    bool done_ = false;
    QLineEdit* password_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace fnk::app
