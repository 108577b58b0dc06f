#include "support/WaitUntil.h"

#include "app/views/extensions/AttributedStringExtensions.h"
#include "app/views/extensions/BezierPathExtensions.h"
#include "app/views/extensions/SplitViewExtensions.h"
#include "app/views/extensions/TextViewExtensions.h"

#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

class RecordingDelegate : public ISplitViewAnimationDelegate
{
public:
    bool splitViewIsAnimating() const override { return animating; }
    void setSplitViewIsAnimating(bool value) override
    {
        animating = value;
        changes << value;
    }
    bool animating = false;
    QList<bool> changes;
};

struct SplitFixture
{
    SplitFixture(Qt::Orientation orientation)
    {
        splitter.setOrientation(orientation);
        splitter.setHandleWidth(1);
        splitter.addWidget(new QWidget);
        splitter.addWidget(new QWidget);
        splitter.resize(800, 800);
        splitter.setSizes({400, 399});
        splitter.show();
    }
    QSplitter splitter;
};

TEST(SplitViewExtensions, AnimatedDividerEndsWhereThePositionSays)
{
    for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        SplitFixture fixture(orientation);
        QSplitter& splitter = fixture.splitter;
        EXPECT_EQ(SplitViewExtensions::splitPosition(&splitter), 400);
        EXPECT_EQ(SplitViewExtensions::sizesForDividers(&splitter, {0}, {300}), (QList<int>{300, 499}));

        RecordingDelegate delegate;
        SplitViewExtensions::catAnimateDividerAtIndex(&splitter, 0, 300, &delegate);
        EXPECT_TRUE(delegate.animating);
        ASSERT_TRUE(mivtest::waitUntil([&] { return !delegate.animating; }));
        EXPECT_EQ(delegate.changes, (QList<bool>{true, false}));
        EXPECT_EQ(SplitViewExtensions::splitPosition(&splitter), 300);
        const QRect second = splitter.widget(1)->geometry();
        EXPECT_EQ(orientation == Qt::Horizontal ? second.x() : second.y(), 301);
        EXPECT_EQ(SplitViewExtensions::catPositionOfDividerAtIndex(&splitter, 1), 800);
        EXPECT_EQ(SplitViewExtensions::catPositionOfDividerAtIndex(&splitter, 2), -1);
    }
}

TEST(SplitViewExtensions, SetPositionAndDividersWithoutAFollowingChild)
{
    SplitFixture fixture(Qt::Horizontal);
    SplitViewExtensions::setSplitPosition(&fixture.splitter, 250);
    EXPECT_EQ(SplitViewExtensions::splitPosition(&fixture.splitter), 250);
    // Divider 1 has no child after it: nothing moves.
    EXPECT_EQ(SplitViewExtensions::sizesForDividers(&fixture.splitter, {1}, {100}), fixture.splitter.sizes());
}

TEST(TextViewExtensions, WrappingFollowsTheSwitchAndScrollViewIsTheEnclosingArea)
{
    QPlainTextEdit editor;
    TextViewExtensions::wrapText(&editor, true);
    EXPECT_EQ(editor.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(editor.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    TextViewExtensions::wrapText(&editor, false);
    EXPECT_EQ(editor.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(editor.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    QScrollArea area;
    auto* inner = new QWidget;
    auto* leaf = new QWidget(inner);
    area.setWidget(inner);
    EXPECT_EQ(TextViewExtensions::scrollView(leaf), &area);
    QWidget alone;
    EXPECT_EQ(TextViewExtensions::scrollView(&alone), nullptr);
}

TEST(AttributedStringExtensions, HyperlinkCarriesTheUrlAndEscapesTheText)
{
    const QString html = AttributedStringExtensions::hyperlinkFromString(
        QStringLiteral("a <b> & c"), QUrl(QStringLiteral("https://example.org/x?y=1&z=2")), QFont(QStringLiteral("DejaVu Sans"), 12),
        QColor(Qt::blue));
    QTextDocument document;
    document.setHtml(html);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a <b> & c"));
    const QTextCharFormat format = document.begin().begin().fragment().charFormat();
    EXPECT_TRUE(format.isAnchor());
    EXPECT_EQ(format.anchorHref(), QStringLiteral("https://example.org/x?y=1&z=2"));
    EXPECT_TRUE(format.fontUnderline());
    EXPECT_EQ(format.foreground().color(), QColor(Qt::blue));
}

TEST(BezierPathExtensions, StrokeLiesInsideThePathWithThePensWidth)
{
    QImage image(QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainterPath path;
    path.addRect(QRectF(10, 10, 20, 20));
    {
        QPainter painter(&image);
        BezierPathExtensions::strokeInside(painter, path, QPen(Qt::black, 4));
    }
    EXPECT_EQ(QColor(image.pixel(9, 20)), QColor(Qt::white)) << "nothing outside";
    EXPECT_EQ(QColor(image.pixel(10, 20)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(13, 20)), QColor(Qt::black)) << "the pen's width inside";
    EXPECT_EQ(QColor(image.pixel(15, 20)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(20, 20)), QColor(Qt::white));
}

} // namespace
