// How long building a device page and repainting its lit keys take with the Qt toolkit
// (run with QT_QPA_PLATFORM=offscreen). The page: a selection panel with 88 key buttons.

#include "shell/toolkit/qt/qt_internal.h"
#include "shell/toolkit/qt/qt_toolkit.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

using namespace quasar::ui;

namespace {

std::string pageLayout() {
    std::string keys;
    for (int i = 0; i < 88; ++i) {
        int x = 10 + (i % 22) * 40, y = 10 + (i / 22) * 40;
        keys +=
            "<widget class=\"DeviceKeyButton\" name=\"key_" + std::to_string(i) +
            "\"><property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" +
            std::to_string(y) +
            "</y><width>36</width><height>36</height></rect></property>"
            "<property name=\"userdata\" stdset=\"0\"><string>light_" +
            std::to_string(i) +
            "</string></property><property name=\"text\"><string>K</string></property></widget>\n";
    }
    return "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"root\"><property "
           "name=\"geometry\"><rect><x>0</x>"
           "<y>0</y><width>900</width><height>180</height></rect></property>"
           "<widget class=\"SelectPanel\" name=\"panel\"><property "
           "name=\"geometry\"><rect><x>0</x><y>0</y>"
           "<width>900</width><height>180</height></rect></property>" +
           keys + "</widget></widget></ui>";
}

struct Fixture {
    Fixture() {
        static int argc = 1;
        static char arg0[] = "bench_toolkit";
        static char* argv[] = {arg0, nullptr};
        tk = createQtToolkit(argc, argv);
        std::ofstream(dir.file("page.xml")) << pageLayout();
        tk->setSkinFolder(dir.path());
    }
    quasar::testing::TempDir dir;
    std::unique_ptr<Toolkit> tk;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BuildKeyboardPage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        auto win = f.tk->createWindow("page.xml");
        benchmark::DoNotOptimize(win->findControl("key_87"));
    }
}
BENCHMARK(BM_BuildKeyboardPage)->Unit(benchmark::kMillisecond);

// One lighting frame: every key gets a new colour and the page is painted.
void BM_LightFrameAndPaint(benchmark::State& state) {
    Fixture& f = fixture();
    auto win = f.tk->createWindow("page.xml");
    win->show();
    std::vector<IDeviceKeyButton*> keys;
    for (int i = 0; i < 88; ++i)
        keys.push_back(as<IDeviceKeyButton>(win->findControl("key_" + std::to_string(i))));
    QWidget* top = static_cast<qt::QtControl*>(win->root())->widget();
    QImage frame(top->size(), QImage::Format_ARGB32_Premultiplied);
    std::uint32_t step = 0;
    for (auto _ : state) {
        ++step;
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i]->setLight(
                true, (step * 2654435761u + static_cast<std::uint32_t>(i) * 40503u) & 0xFFFFFF,
                255);
        top->render(&frame); // paints every key now, display or not
    }
}
BENCHMARK(BM_LightFrameAndPaint)->Unit(benchmark::kMicrosecond);

void BM_FindControlIgnoringCase(benchmark::State& state) {
    Fixture& f = fixture();
    auto win = f.tk->createWindow("page.xml");
    for (auto _ : state)
        benchmark::DoNotOptimize(win->findControl("KEY_87"));
}
BENCHMARK(BM_FindControlIgnoringCase)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
