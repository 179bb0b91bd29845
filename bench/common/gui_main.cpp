// The main of the benchmarks that open windows (the sheet's loading window, the main
// window, the grid): a widget application, offscreen unless the caller chose a platform,
// reading the time zone once as the client does.
#include "platform/os/system_info.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    qel::os::readTimeZoneOnce();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
