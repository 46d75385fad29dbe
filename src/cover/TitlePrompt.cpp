#include "cover/TitlePrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TitlePrompt::TitlePrompt(const QString& current, QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(current, this)) {
    setWindowTitle(QStringLiteral("테사보"));
    setAttribute(Qt::WA_DeleteOnClose);
    field_->setFixedSize(220, 24);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("제목 바꾸기"), this));
    layout->addWidget(field_);
    layout->addWidget(buttons);
}

void TitlePrompt::present() {
    open();
    field_->setFocus();
}

void TitlePrompt::accept() {
    emit confirmed(field_->text());
    QDialog::accept();
}
