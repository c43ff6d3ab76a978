#include "Refusals.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/sources.h"

namespace {

std::string Counted(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// "its 1 group and 2 pages are kept"
std::string Kept(const std::vector<std::size_t>& counts, const std::vector<Tally>& tallies) {
    std::string items;
    std::size_t kinds = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (!counts[i])
            continue;
        items += (kinds++ ? " and " : "") + Counted(counts[i], tallies[i].noun);
    }
    const bool one = kinds == 1 && std::count(counts.begin(), counts.end(), 1) == 1;
    return ": its " + items + (one ? " is" : " are") + " kept";
}

}  // namespace

void TellKept(const std::vector<Refusal>& refusals, const std::vector<Tally>& tallies,
              Failures& failures) {
    struct Line {
        std::string text;
        std::vector<bool> of;  // by tally
    };
    std::vector<Line> lines;
    for (const Refusal& refusal : refusals) {
        if (std::count(failures.lines.begin(), failures.lines.end(), refusal.line))
            continue;
        auto same = std::find_if(lines.begin(), lines.end(),
                                 [&](const Line& line) { return line.text == refusal.line; });
        if (same == lines.end())
            same = lines.insert(lines.end(), {refusal.line, std::vector<bool>(tallies.size())});
        same->of[refusal.tally] = true;
    }
    if (lines.empty())
        return;

    const std::vector<BrowserSource> browsers = FindSources().browsers;
    std::vector<std::size_t> kept(tallies.size());
    std::vector<std::pair<std::string*, std::vector<std::size_t>>> keeping;
    for (Line& line : lines) {
        for (const BrowserSource& source : browsers) {
            if (line.text.find(source.who) == std::string::npos)
                continue;
            std::vector<std::size_t> counts(tallies.size());
            for (std::size_t i = 0; i < tallies.size(); ++i) {
                const auto found = tallies[i].bySource.find(source.label);
                if (line.of[i] && found != tallies[i].bySource.end())
                    kept[i] += counts[i] = found->second;
            }
            if (std::any_of(counts.begin(), counts.end(), [](std::size_t n) { return n > 0; }))
                keeping.emplace_back(&line.text, std::move(counts));
            break;
        }
    }
    std::string done;
    for (std::size_t i = 0; i < tallies.size(); ++i) {
        if (!tallies[i].total)
            continue;
        const std::size_t total = tallies[i].total;
        done += (done.empty() ? "" : " and ") + std::to_string(total - std::min(kept[i], total)) +
                " of " + Counted(total, tallies[i].noun);
    }
    constexpr std::string_view kCloseFirst = ": close it first";
    for (auto& [line, counts] : keeping) {
        const std::string keeps = Kept(counts, tallies);
        if (line->ends_with(kCloseFirst))
            line->insert(line->size() - kCloseFirst.size(), keeps);
        else
            line->append(keeps);
        line->insert(0, done + " deleted; ");
    }
    for (Line& line : lines)
        failures.lines.push_back(std::move(line.text));
}
