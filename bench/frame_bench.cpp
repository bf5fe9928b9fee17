// Frame cost on OSMesa: a full redraw of the magazine view with a dense page (dimmed
// 1024x768 background, a full title row, 46 justified rows with colour spans and links,
// two menus, the bar and three tickers), and a frame between redraws (the three tickers
// only), at both resolutions. Reports frames per second and the quads each frame hands
// to the GL (counted by the GL itself in feedback mode).
#include "app/clock.h"
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/render_fixtures.h"
#include "prefs/prefs.h"
#include "text/layout.h"
#include <benchmark/benchmark.h>
#include <string>

static std::string denseArticle()
{
    static const char* words[] = {"magazine", "of", "the", "demo", "scene", "pixel", "tracker",
                                  "module", "copper", "raster", "bars", "and", "a", "scroller"};
    std::string text = "[bkg=backdrop.ppm][h1]A dense page\n";
    unsigned seed = 7;
    for (int paragraph = 0; paragraph < 12; paragraph++) {
        for (int w = 0; w < 60; w++) {
            seed = seed * 1103515245u + 12345u;
            const char* word = words[(seed >> 16) % 14];
            if (w % 17 == 5) text += std::string("[col=#ffcc00]") + word + "[/col]";
            else if (w % 23 == 11) text += std::string("[mi=02_Next]") + word + "[/mi]";
            else text += word;
            text += ' ';
        }
        text += "\n";
    }
    return text;
}

struct magazine {
    std::string body;
    articleEntry entry{};
    my_texture menus[MAX_MENUS]{};
    my_texture pictures[MAX_BACKGROUNDS]{};
    int coords[6] = {100, 880, 200, 40, 800, 40};
    int lengths[3] = {40, 30, 20};
    char ticker[3][64] = {"    WELCOME TO THE MAGAZINE    ", "GREETINGS TO EVERYONE ", "NEWS "};
    char* tickers[3] = {ticker[0], ticker[1], ticker[2]};
};

static magazine* setUp(int lowres)
{
    static magazine m;
    openScreen(lowres);
    makeFontAtlas(&texture[0]);
    makePlainImage(&texture[1], "bkg4.pbm", 64, 64, {255, 255, 255, 255});
    makePlainImage(&m.menus[0], "a.ppm", 1280, 100, {200, 0, 0, 255});
    makePlainImage(&m.menus[1], "b.ppm", 1280, 100, {0, 200, 0, 255});
    makePlainImage(&m.pictures[0], "backdrop.ppm", 1024, 768, {40, 80, 160, 255});
    menuArray = m.menus;
    backgroundArray = m.pictures;
    backgrounds = 1;
    m.body = denseArticle();
    snprintf(m.entry.name, sizeof m.entry.name, "01_Dense_page");
    m.entry.text = m.body.data();
    m.entry.numberOfPages = getNumberOfPages(m.entry.text, nullptr);
    delete[] m.entry.pages;
    m.entry.pages = new pageStart[m.entry.numberOfPages];
    getNumberOfPages(m.entry.text, m.entry.pages);
    articleArray = &m.entry;
    articles = 1;
    currentArticle = currentPage = 0;
    ARTICLE_BAR_START_X = 1200;
    ARTICLE_BAR_START_Y = 160;
    ARTICLE_BAR_STOP_X = 1220;
    ARTICLE_BAR_STOP_Y = 800;
    numberOfScrollTexts = 3;
    scrollCoords = m.coords;
    scrollLength = m.lengths;
    scrollTexts = m.tickers;
    mode = 2;
    glEnable(GL_DEPTH_TEST);
    getTimeWithStatus(CLOCK_START);
    return &m;
}

static void fullRedraw()
{
    firstrun = 1;
    display();
}

static void BM_FullRedraw(benchmark::State& state)
{
    setUp((int)state.range(0));
    fullRedraw();
    int quads = countQuads(fullRedraw);
    for (auto _ : state) fullRedraw();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["quads_per_frame"] = quads;
}

static void BM_FrameBetweenRedraws(benchmark::State& state)
{
    setUp((int)state.range(0));
    firstrun = 1;
    display();
    display();
    int quads = countQuads(display);
    for (auto _ : state) display();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["quads_per_frame"] = quads;
}

// Argument: 0 for 1280x960, 1 for 640x480.
// Mesa draws on its own threads: frames per second are wall-clock figures.
BENCHMARK(BM_FullRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameBetweenRedraws)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_MAIN();
