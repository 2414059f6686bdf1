#include "ui/version_form.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "ui/fit_font.h"

namespace {

constexpr char kVersionLine[] = "version 1.2";

}  // namespace

TVersionForm::TVersionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("VersionForm");
    setWindowTitle("TAVRIN command software");
    QFont windowFont = font();
    windowFont.setPixelSize(12);
    setFont(windowFont);
    setFixedSize(305, 123);
    move(485, 404);

    okButton_ = new QPushButton("OK", this);  // first in the tab order: it is created first
    okButton_->setObjectName("VersionOKbutton");
    okButton_->setGeometry(232, 96, 49, 17);
    okButton_->setAccessibleName("OK");
    okButton_->setDefault(true);
    fitFontToBox(okButton_, 12, okButton_->text());

    auto* title = new QLabel("TAVRIN command controller", this);
    title->setObjectName("Label1");
    title->setGeometry(48, 32, 219, 16);
    fitFontToBox(title, 16, title->text(), true);
    title->setAccessibleName(title->text());

    versionMemo_ = new QPlainTextEdit(this);
    versionMemo_->setObjectName("VersionMemo");
    versionMemo_->setGeometry(120, 58, 113, 17);
    versionMemo_->setReadOnly(true);
    versionMemo_->setFrameShape(QFrame::NoFrame);
    versionMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    versionMemo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    versionMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    versionMemo_->document()->setDocumentMargin(0);
    versionMemo_->setFocusPolicy(Qt::NoFocus);
    versionMemo_->setAccessibleName("Version");
    QPalette palette = versionMemo_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    versionMemo_->setPalette(palette);

    auto* maker = new QLabel("Velmora Japan Inc.", this);
    maker->setObjectName("VelmoraMemo");
    maker->setGeometry(88, 96, 120, 15);
    fitFont(maker, 15, maker->text(), maker->width(), maker->height() + 4);
    maker->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    maker->setAccessibleName(maker->text());

    connect(okButton_, &QPushButton::clicked, this, &TVersionForm::VersionOKbuttonClick);
}

void TVersionForm::insertVersionLine() {
    QTextCursor cursor(versionMemo_->document());
    cursor.movePosition(QTextCursor::Start);
    if (!versionMemo_->document()->isEmpty()) {
        cursor.insertBlock();
        cursor.movePosition(QTextCursor::Start);
    }
    cursor.insertText(kVersionLine);
    versionMemo_->moveCursor(QTextCursor::Start);
    okButton_->setFocus();
}

void TVersionForm::reject() {}

void TVersionForm::VersionOKbuttonClick() { accept(); }
