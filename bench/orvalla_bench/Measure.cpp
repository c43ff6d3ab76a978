#include "Measure.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void SettleEvents() {
    QApplication::processEvents();
}

std::string FiguresLine(const std::string& name, const Samples& samples, double target) {
    const double program = Median(samples.program);
    const double floor = Median(samples.floor);
    const double ratio = floor > 0 ? program / floor : 0;
    char line[200];
    std::snprintf(line, sizeof line, "%s: program %.1f ms, floor %.1f ms, ratio %.2f", name.c_str(),
                  program, floor, ratio);
    std::string text = line;
    if (target <= 0)
        return text + " (reference)";
    std::snprintf(line, sizeof line, ", target at most %g: %s", target,
                  ratio <= target ? "met" : "MISSED");
    return text + line;
}

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Progress(const std::string& what) {
    std::fprintf(stderr, "... %s\n", what.c_str());
}

void Require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error("check failed: " + what);
}

Selection::Selection(int argc, char* argv[]) : names_(argv + std::min(argc, 2), argv + argc) {}

bool Selection::Has(const std::string& name) const {
    const bool browser = name.rfind("browser-", 0) == 0;
    return names_.empty() || std::any_of(names_.begin(), names_.end(), [&](const std::string& n) {
               return n == name || (browser && n == "browser");
           });
}

bool Selection::HasAny(std::initializer_list<const char*> names) const {
    return std::any_of(names.begin(), names.end(), [this](const char* name) { return Has(name); });
}
