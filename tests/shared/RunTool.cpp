#include "RunTool.h"

#include <QProcess>

#include <sstream>
#include <stdexcept>

ToolResult RunTool(const std::vector<std::string>& args, int timeoutMs) {
    QStringList arguments;
    for (const std::string& arg : args)
        arguments.append(QString::fromLocal8Bit(arg.data(), static_cast<qsizetype>(arg.size())));
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.start(ORVALLA_STORES, arguments);
    if (!tool.waitForStarted(-1))
        throw std::runtime_error("cannot run " ORVALLA_STORES ": " +
                                 tool.errorString().toStdString());
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(-1);
    }
    ToolResult result;
    result.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    result.out = tool.readAllStandardOutput().toStdString();
    result.err = tool.readAllStandardError().toStdString();
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
