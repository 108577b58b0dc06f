#include "support/WaitUntil.h"

#include "app/controls/IMivSplitViewListener.h"
#include "app/controls/MivCollapsibleSplitView.h"
#include "app/settings/MivContext.h"

#include <QSplitterHandle>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class RecordingListener : public IMivSplitViewListener
{
public:
    void collapseOrExpandDone(MivCollapsibleSplitView* splitView) override { done << splitView; }
    QList<MivCollapsibleSplitView*> done;
};

// A split view of two plain subviews inside a shown host, so that sizes
// apply at once.
class CollapsibleSplitViewTest : public ::testing::TestWithParam<Qt::Orientation>
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivCollapsibleSplitView::setAnimationsEnabled(false);
        host.resize(1000, 1000);
        host.show();
        split = makeSplit(QStringLiteral("files"));
    }
    void TearDown() override
    {
        MivCollapsibleSplitView::setAnimationsEnabled(true);
        MivContext::resetForTesting();
    }

    MivCollapsibleSplitView* makeSplit(const QString& ident)
    {
        auto* view = new MivCollapsibleSplitView(GetParam(), &host);
        view->setObjectName(ident);
        view->addWidget(new QWidget);
        view->addWidget(new QWidget);
        view->setGeometry(0, 0, 400, 400);
        view->show();
        return view;
    }

    int extentOf(int index) const { return split->sizes().value(index); }
    int thickness() const { return split->handleWidth(); }

    QWidget host;
    MivCollapsibleSplitView* split = nullptr;
};

TEST_P(CollapsibleSplitViewTest, DividerPositionIsAShareWithoutDividerAtTheEnds)
{
    const int t = split->dividerThickness();
    ASSERT_GT(t, 0);
    struct Case
    {
        double share;
        int first;
        int second;
        bool dividerShown;
    };
    for (const Case& c : {Case{1.0, 400, 0, false}, Case{0.0, 0, 400, false}, Case{0.25, 100, 300 - t, true},
                          Case{0.5, 200, 200 - t, true}}) {
        SCOPED_TRACE(c.share);
        split->setDividerPosition(c.share);
        EXPECT_EQ(extentOf(0), c.first);
        EXPECT_EQ(extentOf(1), c.second);
        EXPECT_EQ(split->dividerThickness() > 0, c.dividerShown);
        EXPECT_DOUBLE_EQ(split->dividerPosition(), c.first / 400.0);
    }
}

TEST_P(CollapsibleSplitViewTest, CollapsedSubviewExpandsToItsShareOfTheCurrentExtent)
{
    RecordingListener listener;
    split->setListener(&listener);
    split->setDividerPosition(0.3);
    const int t = split->dividerThickness();
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        QWidget* subview = split->widget(index);
        split->setDividerPosition(index == 0 ? 0.3 : 0.7);
        int completions = 0;
        split->collapseOrExpandSubview(subview, true, [&] { ++completions; });
        EXPECT_TRUE(split->isSubviewCollapsed(subview));
        EXPECT_FALSE(subview->isVisible());
        EXPECT_EQ(extentOf(1 - index), 400);
        EXPECT_EQ(split->dividerThickness(), 0);
        const double share = split->collapsedSubviewDimension();
        EXPECT_NEAR(share, 0.3, 0.02);

        // The extent changes while collapsed: the share counts, not the points.
        split->setGeometry(0, 0, 600, 600);
        split->collapseOrExpandSubview(subview, true, [&] { ++completions; });
        EXPECT_FALSE(split->isSubviewCollapsed(subview));
        const int expanded = int(std::lround(share * 600));
        EXPECT_EQ(extentOf(index), expanded);
        EXPECT_EQ(extentOf(1 - index), 600 - expanded - t);
        EXPECT_EQ(split->collapsedSubviewDimension(), 0.0);
        EXPECT_EQ(split->dividerThickness(), t);
        EXPECT_EQ(completions, 2);
        split->setGeometry(0, 0, 400, 400);
    }
    EXPECT_EQ(listener.done.size(), 4);
}

TEST_P(CollapsibleSplitViewTest, FixExpandBringsTheSubviewBackAtAFifth)
{
    QWidget* first = split->widget(0);
    split->collapseOrExpandSubview(first);
    ASSERT_TRUE(split->isSubviewCollapsed(first));
    split->fixExpand(first, false);
    EXPECT_TRUE(split->isSubviewCollapsed(first));
    split->fixExpand(first, true);
    EXPECT_EQ(extentOf(0), 80);
}

TEST_P(CollapsibleSplitViewTest, SubviewHiddenByPositionExpandsVisibly)
{
    // Nothing recorded for a subview hidden through the position: an
    // expand to an empty extent would leave it collapsed.
    split->setDividerPosition(0.0);
    split->collapseOrExpandSubview(split->widget(0));
    EXPECT_FALSE(split->isSubviewCollapsed(split->widget(0)));
    EXPECT_EQ(extentOf(0), 200);
}

TEST_P(CollapsibleSplitViewTest, DoubleClickOnDividerSharesEquallyOnlyWhenAllowedAndExpanded)
{
    const int t = split->dividerThickness();
    split->setDividerPosition(0.2);
    const QList<int> before = split->sizes();
    QSplitterHandle* handle = split->handle(1);
    QTest::mouseDClick(handle, Qt::LeftButton);
    EXPECT_EQ(split->sizes(), before);

    split->setDoubleClickOnDividerEnabled(true);
    QTest::mouseDClick(handle, Qt::LeftButton);
    EXPECT_EQ(extentOf(0), (400 - t) / 2);
    EXPECT_EQ(extentOf(1), 400 - t - (400 - t) / 2);

    split->collapseOrExpandSubview(split->widget(1));
    const QList<int> collapsed = split->sizes();
    QTest::mouseDClick(handle, Qt::LeftButton);
    EXPECT_EQ(split->sizes(), collapsed);
    EXPECT_TRUE(split->isSubviewCollapsed(split->widget(1)));
}

TEST_P(CollapsibleSplitViewTest, ZeroExtentHasPositionZero)
{
    split->setDividerPosition(0.5);
    split->setGeometry(0, 0, 0, 0);
    EXPECT_EQ(split->dividerPosition(), 0.0);
}

TEST_P(CollapsibleSplitViewTest, KeepFirstModeKeepsTheFirstExtentOnResize)
{
    split->setSubviewsResizeMode(MivCollapsibleSplitView::KeepFirst);
    split->setDividerPosition(0.25);
    split->setGeometry(0, 0, 700, 700);
    EXPECT_EQ(extentOf(0), 100);
    split->setSubviewsResizeMode(MivCollapsibleSplitView::KeepSecond);
    const int second = extentOf(1);
    split->setGeometry(0, 0, 900, 900);
    EXPECT_EQ(extentOf(1), second);
    EXPECT_EQ(extentOf(0), 900 - second - split->dividerThickness());
}

TEST_P(CollapsibleSplitViewTest, SavedStateComesBackAsSinglePrecisionFloats)
{
    split->setSubviewsResizeMode(MivCollapsibleSplitView::KeepSecond);
    split->setDividerPosition(0.3);
    split->saveState();
    const QVariantMap dict = MivContext::context()->dict();
    const QVariant position = dict.value(QStringLiteral("files--dividerPosition"));
    EXPECT_EQ(position.typeId(), QMetaType::Float);
    EXPECT_EQ(position.toFloat(), 0.3f);
    EXPECT_EQ(dict.value(QStringLiteral("files--subviewsResizeMode")).toInt(), 2);
    EXPECT_EQ(dict.value(QStringLiteral("files--collapsedSubviewDimension")).toFloat(), 0.0f);

    // A collapsed subview's share survives as well.
    split->collapseOrExpandSubview(split->widget(0));
    split->saveState();

    MivCollapsibleSplitView* restored = makeSplit(QStringLiteral("files"));
    restored->loadState();
    EXPECT_EQ(restored->subviewsResizeMode(), 2);
    EXPECT_TRUE(restored->isSubviewCollapsed(restored->widget(0)));
    EXPECT_FLOAT_EQ(float(restored->collapsedSubviewDimension()), 0.3f);
    restored->collapseOrExpandSubview(restored->widget(0));
    EXPECT_EQ(restored->sizes().value(0), 120);

    // Another identifier reads nothing and keeps its defaults.
    MivCollapsibleSplitView* other = makeSplit(QStringLiteral("other"));
    const QList<int> before = other->sizes();
    other->loadState();
    EXPECT_EQ(other->sizes(), before);
    EXPECT_EQ(other->subviewsResizeMode(), 0);
}

TEST_P(CollapsibleSplitViewTest, AnimatedCollapseEndsCollapsedAndTellsTheListenerOnce)
{
    MivCollapsibleSplitView::setAnimationsEnabled(true);
    RecordingListener listener;
    split->setListener(&listener);
    split->setDividerPosition(0.5);
    split->collapseOrExpandSubview(split->widget(0), true, {});
    EXPECT_TRUE(split->collapseExpandInProgress());
    EXPECT_EQ(split->dividerThickness(), 0);
    // A second request while it runs is ignored.
    split->collapseOrExpandSubview(split->widget(1), true, {});
    ASSERT_TRUE(mivtest::waitUntil([&] { return !listener.done.isEmpty(); }));
    EXPECT_TRUE(split->isSubviewCollapsed(split->widget(0)));
    EXPECT_FALSE(split->isSubviewCollapsed(split->widget(1)));
    EXPECT_EQ(extentOf(1), 400);
    EXPECT_EQ(listener.done.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Orientations, CollapsibleSplitViewTest, ::testing::Values(Qt::Horizontal, Qt::Vertical),
                         [](const auto& info) { return info.param == Qt::Horizontal ? "SideBySide" : "Stacked"; });

} // namespace
