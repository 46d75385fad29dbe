// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/TitlePrompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TitlePrompt::TitlePrompt(const QString& current, QWidget* parent)
    // Covers float above ordinary windows; the question must not open beneath its own cover.
    : QDialog(parent, Qt::WindowStaysOnTopHint), field_(new QLineEdit(current, this)) {
    setWindowTitle(QStringLiteral("테사보"));
    setAttribute(Qt::WA_DeleteOnClose);
    field_->setFixedSize(220, 24);
    auto* confirm = new QPushButton(QStringLiteral("확인"), this);
    auto* cancel = new QPushButton(QStringLiteral("취소"), this);
    confirm->setDefault(true);  // Return confirms
    connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Plain buttons in a row of our own: a button box would reorder them by desktop.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("제목 바꾸기"), this));
    layout->addWidget(field_);
    layout->addLayout(buttons);
}

void TitlePrompt::present() {
    open();
    raise();
    activateWindow();
    field_->setFocus();
}

void TitlePrompt::accept() {
    emit confirmed(field_->text());
    QDialog::accept();
}
