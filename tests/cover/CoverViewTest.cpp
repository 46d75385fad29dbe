#include <algorithm>
#include <fstream>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include "SimFixture.h"
#include "common/Settings.h"
#include "cover/CoverPainter.h"
#include "cover/CoverStyle.h"
#include "cover/CoverWindow.h"
#include "cover/Memo.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;
using Zone = CoverView::Zone;

namespace {

// A press, moves and a release as the window system delivers them, in the view's own
// coordinates (origin bottom-left, y up).
void send(QWidget& view, QEvent::Type type, Point p, Qt::MouseButtons held) {
    const QPointF local(p.x, view.height() - p.y);
    QMouseEvent e(type, local, local, view.mapToGlobal(local), Qt::LeftButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &e);
}
void press(QWidget& v, Point p) {
    send(v, QEvent::MouseButtonPress, p, Qt::LeftButton);
}
void moveTo(QWidget& v, Point p) {
    send(v, QEvent::MouseMove, p, Qt::LeftButton);
}
void release(QWidget& v, Point p) {
    send(v, QEvent::MouseButtonRelease, p, Qt::NoButton);
}
void click(QWidget& v, Point p) {
    press(v, p);
    release(v, p);
}

// Colours read back from an 8-bit image match to within one step.
::testing::AssertionResult near(const QColor& got, const QColor& want) {
    const int d =
        std::max({std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                  std::abs(got.blue() - want.blue()), std::abs(got.alpha() - want.alpha())});
    if (d <= 1) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << got.name(QColor::HexArgb).toStdString() << " is not "
                                         << want.name(QColor::HexArgb).toStdString();
}

// The question the program has open, if any.
QDialog* openQuestion() {
    return qobject_cast<QDialog*>(QApplication::activeModalWidget());
}

// A question's buttons from left to right.
QList<QPushButton*> buttonsOf(const QDialog& question) {
    QList<QPushButton*> buttons = question.findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [&](QPushButton* a, QPushButton* b) {
        return a->mapTo(&question, QPoint()).x() < b->mapTo(&question, QPoint()).x();
    });
    return buttons;
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

QImage render(const CoverView& view) {
    QImage image(view.width(), view.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    CoverPainter::paint(p, view.scene());
    return image;
}

}  // namespace

class CoverViewTest : public SimTest {
  protected:
    CoverViewTest() {
        sim.model().environment["TESSAVO_DEBUG"] = "1";
        addMessenger(sim, {.chats = 1, .focusFirstChat = false});
        target = AX::windows(kMessengerPid).front();  // chat 1001, 420 x 560
        window = std::make_unique<CoverWindow>(target);
        window->sync(target, DisguiseMode::memo, true, {});
        QObject::connect(window.get(), &CoverWindow::revealRequested, window.get(),
                         [this] { ++reveals; });
    }
    CoverView& view() { return *window->cover; }
    double W() { return view().width(); }
    double H() { return view().height(); }
    std::string log() const {
        std::ifstream in(sim.model().temporaryDirectory + "/tessavo.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }

    Point menuButton() { return {W() - 76, H() - 14}; }

    KWindow target;
    std::unique_ptr<CoverWindow> window;
    int reveals = 0;
};

TEST_F(CoverViewTest, ZonesHaveExactEdges) {
    const double w = W(), h = H();
    EXPECT_EQ(view().zone({16 + 8, h - 14}), Zone::close);
    EXPECT_EQ(view().zone({16 + 8.5, h - 14}), Zone::titlebar);
    EXPECT_EQ(view().zone({36, h - 22}), Zone::minimize);
    EXPECT_EQ(view().zone({56 - 8, h - 6}), Zone::green);
    EXPECT_EQ(view().zone({w - 90, h - 28}), Zone::menu);    // lower-left edge included
    EXPECT_EQ(view().zone({w - 62.01, h - 1}), Zone::menu);  // the menu is tested first
    EXPECT_EQ(view().zone({w - 62, h - 14}), Zone::edit);    // where the menu ends
    EXPECT_EQ(view().zone({w - 38.01, h - 28}), Zone::edit);
    EXPECT_EQ(view().zone({w - 38, h - 14}), Zone::titlebar);  // right edge excluded
    EXPECT_EQ(view().zone({200, h - 28}), Zone::titlebar);
    EXPECT_EQ(view().zone({200, h - 28.01}), Zone::body);
}

TEST_F(CoverViewTest, AWallpaperCoverHasATitleBarOnlyUnderTheMouseByDefault) {
    window->sync(target, DisguiseMode::wallpaper, true, {});
    const Point closeLight{16, H() - 14};
    EXPECT_EQ(view().zone(closeLight), Zone::body);
    view().setHovering(true);
    EXPECT_EQ(view().zone(closeLight), Zone::close);
    view().setHovering(false);
    Settings::d().setBool(Settings::key::kWallpaperTitleAlways, true);
    EXPECT_EQ(view().zone(closeLight), Zone::close);
}

TEST_F(CoverViewTest, LightsActOnlyWhenReleasedWhereTheyWerePressed) {
    const double h = H();
    press(view(), {16, h - 14});
    release(view(), {36, h - 14});  // close pressed, released on minimize
    EXPECT_FALSE(recordedStartingWith("perform"));
    EXPECT_FALSE(recordedStartingWith("set"));

    click(view(), {36, h - 14});
    EXPECT_TRUE(recorded("minimize window 1001"));
    click(view(), {56, h - 14});  // the third light does nothing
    EXPECT_EQ(reveals, 0);
    click(view(), {16, h - 14});
    EXPECT_TRUE(recorded("close window 1001"));
    EXPECT_FALSE(sim.hasWindow(1001));
}

TEST_F(CoverViewTest, ATitleBarPressRevealsUnlessItBecameADrag) {
    const double h = H();
    press(view(), {200, h - 10});
    moveTo(view(), {203.9, h - 10});
    release(view(), {203.9, h - 10});
    EXPECT_EQ(reveals, 1);

    // Four points of movement make it a drag: the chat is parked, then moved; no reveal.
    sim.model().mouse = {600, 100};
    press(view(), {200, h - 10});
    moveTo(view(), {204, h - 10});
    EXPECT_TRUE(window->isDragging);
    EXPECT_EQ(sim.window(1001).frame.x, CoverWindow::kParkPosition.x);
    sim.model().mouse = {650, 120};
    moveTo(view(), {250, h - 30});
    EXPECT_EQ(window->frame().x, 420 + 50);
    EXPECT_EQ(view().windowScreenFrame().y, 60 + 20);
    release(view(), {250, h - 30});
    EXPECT_EQ(reveals, 1);
    EXPECT_FALSE(window->isDragging);
    EXPECT_EQ(sim.window(1001).frame.x, 420 + 50);
    EXPECT_EQ(sim.window(1001).frame.y, 60 + 20);
}

TEST_F(CoverViewTest, ABodyClickRevealsAndLogsButACheckboxClickTicksInstead) {
    window->cover->grab();  // a paint pass lays out the checkboxes
    ASSERT_FALSE(view().checkboxRects().empty());
    const auto box = view().checkboxRects()[3];  // "☐ 책 반납"
    EXPECT_EQ(box.line, 5);
    click(view(), {box.rect.x + 14, box.rect.y + 14});
    EXPECT_EQ(reveals, 0);
    EXPECT_EQ(view().memoText().findBlockByNumber(5).text(), QStringLiteral("☑ 책 반납"));

    window->sync(target, DisguiseMode::memo, true, {{400, 500, 100, 100}});
    click(view(), {200, 100});
    EXPECT_EQ(reveals, 1);
    EXPECT_NE(
        log().find(
            "CLICK→reveal cover=1001 p=(200,100) holes=[\"(-20,20 100x100)\"] inHole=false\n"),
        std::string::npos)
        << log();
    // A press inside a hole is not the cover's at all.
    click(view(), {0, 50});
    EXPECT_EQ(reveals, 1);
}

TEST_F(CoverViewTest, EditAndMenuButtons) {
    const double w = W(), h = H();
    click(view(), {w - 52, h - 14});
    EXPECT_TRUE(window->isEditing);
    EXPECT_TRUE(view().isEditing());
    click(view(), {200, 100});  // the page belongs to the editor now
    EXPECT_EQ(reveals, 0);
    click(view(), {w - 52, h - 14});
    EXPECT_FALSE(view().isEditing());

    QString asked;
    CoverView::TitleAnswer answer;
    view().askTitle = [&](const QString& current, CoverView::TitleAnswer a) {
        asked = current;
        answer = std::move(a);
    };
    click(view(), menuButton());
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
        QDialog* question = openQuestion();
        ASSERT_TRUE(question);
        EXPECT_TRUE(QTest::qWaitForWindowActive(question));
        EXPECT_EQ(QApplication::focusWidget(), question->findChild<QLineEdit*>());
        EXPECT_FALSE(window->isActiveWindow());  // the cover itself takes no focus
        const auto buttons = buttonsOf(*question);
        for (const QPushButton* b : buttons) {
            titles << b->text();
        }
        question->findChild<QLineEdit*>()->setText(QStringLiteral(" 장보기 "));
        buttons.front()->click();
    });
    click(view(), menuButton());
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
        question = openQuestion();
        window.reset();
        if (question) {
            question->accept();
        }
    });
    click(view(), menuButton());
    EXPECT_NE(openQuestion(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_TRUE(question.isNull());
}

TEST(Memo, TogglingATickStrikesTheTextAfterTheBoxAndBack) {
    auto memo = Memo::defaultMemo();
    ASSERT_EQ(memo->blockCount(), 7);
    EXPECT_TRUE(Memo::toggleCheckbox(*memo, 5));
    const QTextBlock line = memo->findBlockByNumber(5);
    EXPECT_EQ(line.text(), QStringLiteral("☑ 책 반납"));
    QTextCursor c(line);
    c.setPosition(line.position() + 3);
    EXPECT_TRUE(c.charFormat().fontStrikeOut());
    c.setPosition(line.position() + 1);
    EXPECT_FALSE(c.charFormat().fontStrikeOut());  // the box itself stays as it was
    EXPECT_TRUE(Memo::toggleCheckbox(*memo, 5));
    c = QTextCursor(memo->findBlockByNumber(5));
    c.setPosition(line.position() + 3);
    EXPECT_FALSE(c.charFormat().fontStrikeOut());
    EXPECT_EQ(memo->findBlockByNumber(5).text(), QStringLiteral("☐ 책 반납"));
    EXPECT_FALSE(Memo::toggleCheckbox(*memo, 0));   // no box
    EXPECT_FALSE(Memo::toggleCheckbox(*memo, 99));  // no such line
}

TEST_F(CoverViewTest, MemoLayoutOfAThreeHundredPointCover) {
    view().resize(420, 300);
    QImage image(420, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    const auto boxes = CoverPainter::paint(p, view().scene()).checkboxes;
    p.end();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0], (CoverPainter::CheckboxHit{{16, 180, 28, 28}, 2}));
    // The heading sits in (22, 237, 384, 20): dark pixels there, none in the margin above.
    auto darkIn = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            for (int x = 22; x < 80; ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(darkIn(300 - 237 - 20, 300 - 237));
    EXPECT_FALSE(darkIn(29, 300 - 237 - 20));
    // Title bar, lights, page.
    EXPECT_TRUE(near(image.pixelColor(300, 3), CoverStyle::grey(0.93)));
    EXPECT_TRUE(near(image.pixelColor(16, 14), CoverStyle::rgb(1.0, 0.37, 0.34)));
    EXPECT_TRUE(near(image.pixelColor(300, 280), QColor(Qt::white)));
    // A ticked box is blue.
    EXPECT_TRUE(
        near(image.pixelColor(30, 300 - (300 - 42 - 27 * 4 - 18) - 14), CoverStyle::accentBlue()));
}

TEST_F(CoverViewTest, CheckboxesBelowTheBottomOfTheViewAreRecordedToo) {
    QTextCursor end(&view().memoText());
    end.movePosition(QTextCursor::End);
    for (int i = 0; i < 20; ++i) {
        end.insertText(QStringLiteral("\n☐ 할 일"));
    }
    view().resize(420, 300);  // rows 0 to 9 show; the memo has 27 lines
    view().grab();
    const auto& boxes = view().checkboxRects();
    ASSERT_EQ(boxes.size(), 5u + 20u);
    EXPECT_EQ(boxes.back(), (CoverPainter::CheckboxHit{{16, 300 - 42 - 27 * 26 - 24, 28, 28}, 26}));
}

TEST_F(CoverViewTest, HolesInTheImage) {
    // 100 points in from the chat's left and bottom edges.
    window->sync(target, DisguiseMode::memo, true, {{420 + 100, 60 + 560 - 100 - 50, 50, 50}});
    const QImage image = render(view());
    EXPECT_EQ(qAlpha(image.pixel(125, H() - 125)), 0);    // inside the hole: see-through
    EXPECT_EQ(qAlpha(image.pixel(175, H() - 125)), 255);  // beside it: the page
}

TEST_F(CoverViewTest, AFileDragOnACoveringCoverStepsAsideOnce) {
    int drags = 0;
    QObject::connect(window.get(), &CoverWindow::fileDragged, window.get(), [&] { ++drags; });
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent plain(QPoint(100, 100), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view(), &plain);
    EXPECT_EQ(drags, 0);
    EXPECT_FALSE(plain.isAccepted());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/사진.png"))});
    window->isEditing = true;
    QDragEnterEvent whileEditing(QPoint(100, 100), Qt::CopyAction, &files, Qt::LeftButton,
                                 Qt::NoModifier);
    QCoreApplication::sendEvent(&view(), &whileEditing);
    EXPECT_EQ(drags, 0);
    window->isEditing = false;

    QDragEnterEvent drag(QPoint(100, 100), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view(), &drag);
    EXPECT_EQ(drags, 1);
    EXPECT_TRUE(window->fileDragging);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(drag.isAccepted());
    EXPECT_NE(log().find("DRAG ENTER types=[text/uri-list] alpha=1.0 editing=false\nDRAG REVEAL → "
                         "triggerFileDrag\n"),
              std::string::npos)
        << log();
    EXPECT_NE(log().find("DRAG register types on view (window=true)\n"), std::string::npos);
}

TEST_F(CoverViewTest, AnUnchangedCoveredChatAsksForNoRepaint) {
    const int before = view().repaintRequests();
    for (int i = 0; i < 50; ++i) {
        window->sync(target, DisguiseMode::memo, true, {});
    }
    EXPECT_EQ(view().repaintRequests(), before);
    view().setHovering(true);  // memo covers look the same under the mouse
    EXPECT_EQ(view().repaintRequests(), before);
}

TEST_F(CoverViewTest, TheBadgeShowsTheSwitcherLabelBlueWhileActive) {
    view().resize(420, 300);
    const auto badgeCentre = [&] { return render(view()).pixelColor(420 - 19, 14); };
    EXPECT_TRUE(near(badgeCentre(), CoverStyle::grey(0.93)));  // no label: no badge
    const int before = view().repaintRequests();
    view().setBadge(QStringLiteral("K"), true);
    view().setBadge(QStringLiteral("K"), true);
    EXPECT_EQ(view().repaintRequests(), before + 1);
    const QImage image = render(view());
    EXPECT_TRUE(near(image.pixelColor(420 - 19 - 6, 14), CoverStyle::accentBlue()));
    int white = 0;  // the letter
    for (int y = 8; y < 20; ++y) {
        for (int x = 420 - 25; x < 420 - 13; ++x) {
            white += qGray(image.pixel(x, y)) > 240 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 5);
    view().setBadge(QStringLiteral("K"), false);
    EXPECT_TRUE(near(render(view()).pixelColor(420 - 19 - 6, 14), CoverStyle::grey(0.55)));
}
