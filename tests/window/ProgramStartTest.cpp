// The program's own start-up, run as a process with a probe that reports
// what Qt and the window were given.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <map>
#include <string>

#include "TempDataDir.h"

namespace {

std::map<std::string, std::string> RunProbe(const QStringList& arguments) {
    QProcess probe;
    probe.start(ORVALLA_START_PROBE, arguments);
    EXPECT_TRUE(probe.waitForFinished(30000)) << probe.errorString().toStdString();
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    std::map<std::string, std::string> report;
    for (const QByteArray& line : probe.readAllStandardOutput().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            report[line.left(equals).toStdString()] = line.mid(equals + 1).toStdString();
    }
    return report;
}

}  // namespace

TEST(ProgramStart, QtOptionsAreNotReadAndTheTitleNamesTheWindowsIcon) {
    TempDataDir home;
    auto report = RunProbe({"-reverse", "-platform", "nosuch", "-style", "nosuch"});
    EXPECT_EQ(report["arguments"], QFileInfo(ORVALLA_START_PROBE).filePath().toStdString());
    EXPECT_EQ(report["layout"], "left-to-right");
    EXPECT_EQ(report["caption"], "Veltrane - Orvalla v1.0");
    EXPECT_EQ(report["icon"], "Veltrane  - Orvalla");
    EXPECT_EQ(report["desktop"], "orvalla");
}
