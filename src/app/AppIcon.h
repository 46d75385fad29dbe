// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The program's icon: a notepad page on a dark tile, as the installed desktop entry shows it.
// Every size is drawn for itself, since a large picture scaled down to a tray's size blurs.
QIcon appIcon();
