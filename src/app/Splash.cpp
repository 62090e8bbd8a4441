#include "app/Splash.h"

#include "app/Settings.h"
#include "platform/MessagePort.h"
#include "store/Text1252.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fnk::app {

namespace {
// The typed password as the settings file would store it: in the code page
// and cut at the field's width.
QString asStored(const QString& typed)
{
    return store::decode1252(store::fixedField(typed, SettingsRecord::kPasswordWidth)).trimmed();
}
}  // namespace

Splash::Splash(const QString& password, QWidget* parent) : QDialog(parent), stored_(password.trimmed())
{
    setObjectName(QStringLiteral("fnk3Splash"));
    setWindowTitle(QStringLiteral("Fennick"));

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(QIcon(QStringLiteral(":/icons/fennick.svg")).pixmap(64, 64));
    image->setAlignment(Qt::AlignCenter);

    auto* product = new QLabel(QStringLiteral("Fennick - version 4.2"), this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont f = product->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    product->setFont(f);
    product->setAlignment(Qt::AlignCenter);

    auto* label = new QLabel(QStringLiteral("&Password"), this);
    label->setObjectName(QStringLiteral("SplashPasswordLabel"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("UserPasswordBox"));
    password_->setToolTip(QStringLiteral("Enter (optional) password here"));
    password_->setEchoMode(QLineEdit::Password);
    label->setBuddy(password_);

    start_ = new QPushButton(QStringLiteral("&START"), this);
    start_->setObjectName(QStringLiteral("Command1"));
    start_->setToolTip(QStringLiteral("Click to continue"));
    start_->setDefault(true);
    connect(start_, &QPushButton::clicked, this, &Splash::Command1_Click);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(image);
    lay->addWidget(product);
    lay->addSpacing(12);
    lay->addWidget(label);
    lay->addWidget(password_);
    lay->addWidget(start_);

    if (!stored_.isEmpty())
        password_->setFocus();
}

void Splash::Command1_Click()
{
    if (done_)
        return;
    if (attempts_ > 2) {
        done_ = true;
        emit endProgram();
        return;
    }
    if (!stored_.isEmpty() && asStored(password_->text()) != stored_) {
        ++attempts_;
        platform::messages().message(
            {QStringLiteral("Incorrect Password!"),
             QStringLiteral("This program is password protected. You must enter the correct "
                            "password in the box in order to enter.")
                 + QStringLiteral("\n\n") + QStringLiteral("You may make ")
                 + QString::number(3 - attempts_)
                 + QStringLiteral(" more attempts to enter the correct code."),
             platform::Icon::Exclamation, platform::Buttons::Ok, platform::Answer::Ok});
        password_->selectAll();
        password_->setFocus();
        return;
    }
    done_ = true;
    emit passed();
}

void Splash::closeEvent(QCloseEvent* event)
{
    // Closing the form without passing the gate ends the program.
    if (!done_) {
        done_ = true;
        emit endProgram();
    }
    event->accept();
}

void Splash::keyPressEvent(QKeyEvent* event)
{
    // Esc would close the form like its close box; keep it on the gate.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace fnk::app
