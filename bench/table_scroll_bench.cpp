// Scrolling a panel's list view through 100,000 rows, a page at a time,
// rendering the viewport at each step (offscreen platform). Prints the median
// and the worst time per viewport beside the aim of 16 ms (one frame at
// 60 Hz). Usage:
//   table_scroll_bench [rows]                  (default 100,000)
//   table_scroll_bench --picture FOLDER PNG    (a picture of FOLDER's table)
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivSimpleFileData.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/MivContext.h"
#include "app/views/MivIconRenderer.h"
#include "platform/Error.h"
#include "platform/MainDispatcher.h"
#include "platform/Path.h"
#include "platform/QtMainDispatcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void waitForRows(MivFilesTableDataController& model, int rows)
{
    while (model.rowCount() != rows || model.hasPendingArrangement())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QList<MivFileDataPtr> syntheticItems(int count)
{
    const auto folderIcon = MivIconDescriptor::make(QStringLiteral("folder"));
    const auto fileIcon = MivIconDescriptor::make(QStringLiteral("text-x-generic"));
    QList<MivFileDataPtr> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto item = std::make_shared<MivSimpleFileData>();
        item->setName(QStringLiteral("file-%1.txt").arg(i, 6, 10, QLatin1Char('0')));
        item->setIcon(i % 10 == 0 ? folderIcon : fileIcon);
        items.append(item);
    }
    return items;
}

int picture(const QString& folderPath, const QString& pngPath)
{
    MivContext::context()->setAlternate(true);
    MivContext::context()->setBoldFolders(true);
    const auto folder = MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(folderPath), true);
    QList<MivFileDataPtr> items;
    plat::Error error;
    MivListFilesParams params(std::nullopt, false);
    folder->listElementsToArray(items, params, {}, &error);
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    view.updatePreferences();
    view.resize(760, 420);
    view.show();
    model.setFiles(items);
    waitForRows(model, int(items.size()));
    view.setFocus();
    view.gotoElement(1);
    QCoreApplication::processEvents();
    if (!view.grab().save(pngPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pngPath));
        return 1;
    }
    std::printf("%d rows of %s in %s\n", int(items.size()), qPrintable(folderPath), qPrintable(pngPath));
    return 0;
}

int scroll(int rows)
{
    MivContext::context()->setAlternate(true);
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    view.updatePreferences();
    view.resize(1000, 800);
    view.show();

    QElapsedTimer reset;
    reset.start();
    model.setFiles(syntheticItems(rows));
    waitForRows(model, rows);
    const double resetMs = double(reset.nsecsElapsed()) / 1e6;
    view.gotoElement(0);

    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar* bar = view.verticalScrollBar();
    // The vertical bar counts rows: one step is one page of rows.
    const int page = qMax(1, view.pageSize());
    std::vector<double> times;
    // The first viewport looks its icons up; every later one draws from the cache.
    QElapsedTimer first;
    first.start();
    view.viewport()->render(&target);
    const double firstMs = double(first.nsecsElapsed()) / 1e6;
    for (int y = 0; y <= bar->maximum(); y += page) {
        bar->setValue(y);
        QElapsedTimer timer;
        timer.start();
        view.viewport()->render(&target);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double worst = times.back();
    std::printf("rows %d, viewports rendered %zu (arranging and showing the rows: %.1f ms)\n", rows, times.size(),
                resetMs);
    std::printf("%-28s %10s %10s\n", "per viewport", "measured", "aim");
    std::printf("%-28s %8.2f ms %8.2f ms\n", "median", median, 16.0);
    std::printf("%-28s %8.2f ms %8.2f ms\n", "worst", worst, 16.0);
    std::printf("%-28s %8.2f ms\n", "first (icon lookups)", firstMs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    static plat::QtMainDispatcher mainThread;
    plat::MainDispatcher::install(&mainThread);
    MivIconRenderer::installIconTheme();

    if (argc == 4 && QByteArray(argv[1]) == "--picture")
        return picture(plat::Path::fromNative(argv[2]), plat::Path::fromNative(argv[3]));
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    return scroll(rows > 0 ? rows : 100000);
}
