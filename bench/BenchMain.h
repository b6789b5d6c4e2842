#pragma once

// The main of a benchmark program: its application object, on Qt's offscreen platform unless
// another is asked for, then every registered benchmark.
#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

template<typename Application>
int runBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
