// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;

// The question for a new memo title: a field holding the current title over "확인" and "취소",
// in that order on every desktop. It does not wait for the answer: a confirmed title arrives
// through confirmed(), and nothing arrives when the user cancels.
class TitlePrompt : public QDialog {
    Q_OBJECT
  public:
    TitlePrompt(const QString& current, QWidget* parent);

    // Shows the question modal to its cover, in front of everything and ready for typing, and
    // returns at once.
    void present();
    // Confirming hands the entered text to confirmed() before the question closes.
    void accept() override;

  signals:
    void confirmed(const QString& entered);

  private:
    QLineEdit* field_;
};
