#include "StoresTool.h"

#include <QProcess>
#include <QStringList>

#include "Measure.h"

namespace {

// A run that never ends would leave the benchmark waiting for ever.
constexpr int kGiveUpAfterMs = 600'000;

QStringList Arguments(const std::vector<std::string>& args) {
    QStringList arguments;
    for (const std::string& arg : args)
        arguments.append(QString::fromStdString(arg));
    return arguments;
}

}  // namespace

double RunStoresTool(const std::vector<std::string>& args, ToolOutput& output) {
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    bool ended = false;
    const double elapsed = Timed([&] {
        tool.start(ORVALLA_STORES, Arguments(args));
        ended = tool.waitForFinished(kGiveUpAfterMs);
    });
    output = {tool.readAllStandardOutput().toStdString(),
              tool.readAllStandardError().toStdString()};
    Require(ended && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
            "orvalla-stores " + args.front() + " ends with status 0 (" +
                tool.errorString().toStdString() + "; it said: " + output.err + ")");
    return elapsed;
}

bool StoresToolHas(const std::string& command) {
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.start(ORVALLA_STORES, Arguments({"help", command}));
    return tool.waitForFinished(kGiveUpAfterMs) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}
