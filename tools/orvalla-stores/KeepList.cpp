#include "KeepList.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "Commands.h"
#include "Filters.h"

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

std::string Counted(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " site" : " sites");
}

}  // namespace

std::string KeepListPath() {
    // A relative XDG_CONFIG_HOME is invalid, as the platform reads it too.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/orvalla/keep-sites";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.config/orvalla/keep-sites";
}

KeepList::KeepList(const ParsedArguments& parsed) {
    const std::vector<std::string> given = parsed.Values("--keep");
    for (const std::string& site : given)
        sites_.Add(NormalSite(site));
    const std::string path = KeepListPath();
    std::ifstream list(path);
    std::error_code unused;
    if (!list && std::filesystem::exists(path, unused))
        throw std::runtime_error("the keep list \"" + path + "\" cannot be read");
    std::size_t listed = 0;
    for (std::string line; std::getline(list, line);) {
        const std::string site = Trimmed(std::string_view(line).substr(0, line.find('#')));
        if (site.empty())
            continue;
        sites_.Add(NormalSite(site));
        ++listed;
    }
    if (list.bad())
        throw std::runtime_error("the keep list \"" + path + "\" cannot be read");
    account_ = "keeps " + Counted(sites_.Size()) + " (" +
               (list.is_open() || listed ? Counted(listed) + " from the keep list \"" + path + "\""
                                         : "no keep list at \"" + path + "\"") +
               ", " + Counted(given.size()) + " from --keep)";
}

bool KeepList::Keeps(std::string_view host) const {
    return sites_.Holds(NormalHost(host));
}
