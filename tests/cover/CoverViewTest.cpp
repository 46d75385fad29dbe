// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUrl>

#include "SimFixture.h"
#include "common/Settings.h"
#include "cover/CoverPainter.h"
#include "cover/CoverWindow.h"
#include "cover/Memo.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;
using Zone = CoverView::Zone;

namespace {

// A mouse event as the window system delivers it, in the view's own coordinates (origin
// bottom-left, y up).
void send(QWidget& view, QEvent::Type type, Point p) {
    const QPointF local(p.x, view.height() - p.y);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, local, local, view.mapToGlobal(local), Qt::LeftButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &e);
}
void click(QWidget& v, Point p) {
    send(v, QEvent::MouseButtonPress, p);
    send(v, QEvent::MouseButtonRelease, p);
}

// Dialogs laid out as GNOME lays them out: the confirming button last.
class ConfirmLastStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        return hint == SH_DialogButtonLayout ? QDialogButtonBox::GnomeLayout
                                             : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// The size of chat 1001's cover, and its menu button.
constexpr double kW = 420, kH = 560;
constexpr Point kMenuButton{kW - 76, kH - 14};

}  // namespace

class CoverViewTest : public SimTest {
  protected:
    CoverViewTest() {
        addMessenger(sim, {.chats = 1, .focusFirstChat = false});
        target = AX::windows(kMessengerPid).front();  // chat 1001, 420 x 560
        window = std::make_unique<CoverWindow>(target);
        window->sync(target, DisguiseMode::memo, true, {});
        QObject::connect(window.get(), &CoverWindow::revealRequested, window.get(),
                         [this] { ++reveals; });
    }
    CoverView& view() { return *window->cover; }

    KWindow target;
    std::unique_ptr<CoverWindow> window;
    int reveals = 0;
};

TEST_F(CoverViewTest, ZonesHaveExactEdgesAndAWallpaperTitleBarShowsUnderTheMouseOrAlways) {
    const int before = view().repaintRequests();
    view().setBadge(QStringLiteral("K"), true);
    view().setBadge(QStringLiteral("K"), true);  // the same badge twice is one repaint
    EXPECT_EQ(view().repaintRequests(), before + 1);
    const std::pair<Point, Zone> cases[] = {
        {{16 + 8, kH - 14}, Zone::close},   {{16 + 8.5, kH - 14}, Zone::titlebar},
        {{36, kH - 22}, Zone::minimize},    {{56 - 8, kH - 6}, Zone::green},
        {{kW - 62.01, kH - 1}, Zone::menu}, {{kW - 38.01, kH - 28}, Zone::edit},  // menu first
        {{200, kH - 28}, Zone::titlebar},   {{200, kH - 28.01}, Zone::body},
    };
    for (const auto& [at, zone] : cases) {
        EXPECT_EQ(view().zone(at), zone) << at.x << "," << at.y;
    }
    window->sync(target, DisguiseMode::wallpaper, true, {});
    const Point closeLight{16, view().height() - 14.0};
    EXPECT_EQ(view().zone(closeLight), Zone::body);
    view().setHovering(true);
    EXPECT_EQ(view().zone(closeLight), Zone::close);
    view().setHovering(false);
    Settings::d().setBool(Settings::key::kWallpaperTitleAlways, true);
    EXPECT_EQ(view().zone(closeLight), Zone::close);
}

TEST_F(CoverViewTest, LightsActOnlyWhenReleasedWhereTheyWerePressed) {
    send(view(), QEvent::MouseButtonPress, {16, kH - 14});
    send(view(), QEvent::MouseButtonRelease, {36, kH - 14});  // close pressed, released on minimize
    EXPECT_EQ(countRecorded(sim, "perform") + countRecorded(sim, "set"), 0);
    click(view(), {36, kH - 14});
    EXPECT_TRUE(recorded("minimize window 1001"));
    click(view(), {56, kH - 14});  // the third light does nothing
    EXPECT_EQ(reveals, 0);
    click(view(), {16, kH - 14});
    EXPECT_TRUE(recorded("close window 1001"));
}

TEST_F(CoverViewTest, ATitleBarPressRevealsUnlessItBecameADrag) {
    send(view(), QEvent::MouseButtonPress, {200, kH - 10});
    send(view(), QEvent::MouseMove, {203.9, kH - 10});
    send(view(), QEvent::MouseButtonRelease, {203.9, kH - 10});
    EXPECT_EQ(reveals, 1);

    // Four points of movement make it a drag: the chat is parked, then moved; no reveal.
    sim.model().mouse = {600, 100};
    send(view(), QEvent::MouseButtonPress, {200, kH - 10});
    send(view(), QEvent::MouseMove, {204, kH - 10});
    EXPECT_EQ(sim.window(1001).frame.x, CoverWindow::kParkPosition.x);
    sim.model().mouse = {650, 120};
    send(view(), QEvent::MouseMove, {250, kH - 30});
    // While dragging, syncs leave the frame alone (the view moves it) but still set the state.
    window->sync(AX::windows(kMessengerPid).front(), DisguiseMode::memo, false, {});
    EXPECT_EQ(window->frame(), Rect(470, 80, 420, 560));
    send(view(), QEvent::MouseButtonRelease, {250, kH - 30});
    EXPECT_EQ(reveals, 1);
    EXPECT_EQ(sim.window(1001).frame, Rect(470, 80, 420, 560));
}

// A click on the page reveals (the end-to-end tests click one), but not on a checkbox or in a hole.
TEST_F(CoverViewTest, ACheckboxClickTicksAndStrikesInsteadOfRevealing) {
    window->cover->grab();                          // a paint pass lays out the checkboxes
    const auto box = view().checkboxRects().at(3);  // "☐ 책 반납"
    click(view(), {box.rect.x + 14, box.rect.y + 14});
    EXPECT_EQ(reveals, 0);
    const QTextBlock line = view().memoText().findBlockByNumber(5);
    EXPECT_EQ(line.text(), QStringLiteral("☑ 책 반납"));
    // The text after the box is struck through, the box itself not; ticking again undoes it.
    const auto struck = [&](int at) {
        QTextCursor c(&view().memoText());
        c.setPosition(line.position() + at);
        return c.charFormat().fontStrikeOut();
    };
    EXPECT_TRUE(struck(3));
    EXPECT_FALSE(struck(1));
    EXPECT_TRUE(Memo::toggleCheckbox(view().memoText(), 5));
    EXPECT_FALSE(struck(3));
    EXPECT_FALSE(Memo::toggleCheckbox(view().memoText(), 0));  // no box

    window->sync(target, DisguiseMode::memo, true, {{400, 500, 100, 100}});
    click(view(), {0, 50});  // a press inside a hole is not the cover's at all
    EXPECT_EQ(reveals, 0);
}

TEST_F(CoverViewTest, EditAndMenuButtons) {
    click(view(), {kW - 52, kH - 14});
    EXPECT_TRUE(view().isEditing());
    click(view(), {200, 100});  // the page belongs to the editor now
    EXPECT_EQ(reveals, 0);
    click(view(), {kW - 52, kH - 14});
    EXPECT_FALSE(view().isEditing());

    QString asked;
    CoverView::TitleAnswer answer;
    view().askTitle = [&](const QString& current, CoverView::TitleAnswer a) {
        asked = current;
        answer = std::move(a);
    };
    click(view(), kMenuButton);
    EXPECT_EQ(asked, QStringLiteral("할일"));
    answer(QStringLiteral("  \n "));
    EXPECT_EQ(view().memoTitle(), QStringLiteral("할일"));  // blank falls back
    answer(QStringLiteral(" 장보기 "));
    EXPECT_EQ(view().memoTitle(), QStringLiteral("장보기"));
    window.reset();
    answer(QStringLiteral("늦은 답"));  // the cover is gone: nothing takes it
}

// The user answers from the event loop, once the question is up: what is asked must not block.
TEST_F(CoverViewTest, TheTitleQuestionConfirmsFirstOnEveryDesktopAndComesForward) {
    const QString desktopStyle = QApplication::style()->name();
    QApplication::setStyle(new ConfirmLastStyle);
    QStringList titles;
    QObject user;
    QTimer::singleShot(0, &user, [&] {
        auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(question);
        EXPECT_TRUE(QTest::qWaitForWindowActive(question));
        EXPECT_EQ(QApplication::focusWidget(), question->findChild<QLineEdit*>());
        EXPECT_FALSE(window->isActiveWindow());  // the cover itself takes no focus
        QList<QPushButton*> buttons = question->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [&](QPushButton* a, QPushButton* b) {
            return a->mapTo(question, QPoint()).x() < b->mapTo(question, QPoint()).x();
        });
        for (const QPushButton* b : buttons) {
            titles << b->text();
        }
        question->findChild<QLineEdit*>()->setText(QStringLiteral(" 장보기 "));
        buttons.front()->click();
    });
    click(view(), kMenuButton);
    QCoreApplication::processEvents();
    QApplication::setStyle(desktopStyle);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("확인"), QStringLiteral("취소")}));
    EXPECT_EQ(view().memoTitle(), QStringLiteral("장보기"));
}

TEST_F(CoverViewTest, AChatClosingWhileItsTitleIsAskedTakesTheQuestionAlong) {
    QPointer<QDialog> question;
    // The tick runs on while the question is open, finds the chat gone and drops its cover;
    // then the user confirms whatever question is still there.
    QObject tick;
    QTimer::singleShot(0, &tick, [&] {
        question = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        window.reset();
        if (question) {
            question->accept();
        }
    });
    click(view(), kMenuButton);
    EXPECT_NE(QApplication::activeModalWidget(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_TRUE(question.isNull());
}

TEST_F(CoverViewTest, AThreeHundredPointCoverRecordsCheckboxesBelowTheBottomToo) {
    view().resize(420, 300);
    QTextCursor end(&view().memoText());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("\n☐ 할 일").repeated(20));
    view().grab();  // rows 0 to 9 show; the memo has 27 lines
    const auto& boxes = view().checkboxRects();
    ASSERT_EQ(boxes.size(), 5u + 20u);
    EXPECT_EQ(boxes[0], (CoverPainter::CheckboxHit{{16, 180, 28, 28}, 2}));
    EXPECT_EQ(boxes.back(), (CoverPainter::CheckboxHit{{16, 300 - 42 - 27 * 26 - 24, 28, 28}, 26}));
}

TEST_F(CoverViewTest, AFileDragOnACoveringCoverStepsAsideOnce) {
    QSignalSpy drags(window.get(), &CoverWindow::fileDragged);
    const auto drag = [&](const QMimeData& data) {
        QDragEnterEvent e(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view(), &e);
        return e.isAccepted();
    };
    QMimeData text, files;
    text.setText(QStringLiteral("hello"));
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/사진.png"))});
    EXPECT_FALSE(drag(text));
    EXPECT_FALSE(drag(files));
    EXPECT_EQ(drags.count(), 1);
    EXPECT_FALSE(window->isVisible());
}
