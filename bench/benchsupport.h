#pragma once

// What the window benchmarks share: a message service that shows nothing,
// and the usual Google Benchmark main for programs that need their own.
#include "services.h"

#include <benchmark/benchmark.h>

class SilentMessages final : public Platform::MessageService
{
public:
    QMessageBox::StandardButton showMessage(QWidget *, const QString &, const QString &,
                                            QMessageBox::StandardButtons,
                                            QMessageBox::Icon) override
    {
        return QMessageBox::Ok;
    }
};

inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
