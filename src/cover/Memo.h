// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include <QString>
#include <QTextDocument>

// The memo page's text: lines separated by line breaks, each with its own runs of font,
// colour and strikethrough. A checklist line starts with "☐ " (open) or "☑ " (ticked).
namespace Memo {

inline const QString kOpenBox = QStringLiteral("☐ ");
inline const QString kTickedBox = QStringLiteral("☑ ");
inline const QString kDefaultTitle = QStringLiteral("할일");

// A fresh copy of the default to-do memo.
std::unique_ptr<QTextDocument> defaultMemo();

bool isChecklist(const QString& line);
bool isTicked(const QString& line);

// Ticks an open box or opens a ticked one on line `line` (from 0), striking through the text
// after the box when ticked. False when there is no such line or it has no box.
bool toggleCheckbox(QTextDocument& memo, int line);

// A title as entered: trimmed, and the default when nothing is left.
QString cleanTitle(const QString& entered);

}  // namespace Memo
