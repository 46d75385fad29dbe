// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIcon.h"

#include <QDirIterator>

QIcon appIcon() {
    QIcon icon;
    // Each picture tells its own size; the icon picks the one nearest to what is asked.
    QDirIterator pictures(QStringLiteral(":/icons"));
    while (pictures.hasNext()) {
        icon.addFile(pictures.next());
    }
    return icon;
}
