// `forget`: a site's cookie entries and history pages, in every chosen source.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Args.h"
#include "Cleaning.h"
#include "Commands.h"

namespace {

int Forget(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {"--dry-run"}, {"--source"});
    const bool dryRun = parsed.Flag("--dry-run");
    if (parsed.Value("--format") && !dryRun)
        throw UsageError{"--format is for the listing of --dry-run"};
    const std::optional<ListFormat> print =
        dryRun ? std::optional(ReadFormat(parsed)) : std::nullopt;
    parsed.ExpectPositional(1, SIZE_MAX);
    const EntryFilter filter(parsed.Values("--source"), parsed.Positional());
    // Every row is chosen before any goes, so a dry run lists what a run
    // takes, and one summary tells both.
    Failures failures;
    const std::vector<std::string> cookies = ChooseCookies(filter, nullptr, print, failures);
    const ChosenPages pages = ChoosePages(filter, nullptr, print, failures);
    std::vector<Tally> tallies{{"group"}, pages.tally};
    std::vector<Refusal> refusals;
    if (!dryRun) {
        for (std::string& line : DeleteCacheEntries(cookies, tallies[0], failures))
            refusals.push_back({std::move(line), 0});
        for (std::string& line : DeletePages(pages))
            refusals.push_back({std::move(line), 1});
    }
    TellKept(refusals, tallies, failures);
    if (!failures.lines.empty())
        throw failures;
    return 0;
}

}  // namespace

Command ForgetCommand() {
    return {"forget", "SITE... [--source S]... [--dry-run [--format text|json]]",
            "deletes every cookie entry of these sites and every page of theirs, whatever its "
            "scheme, from the chosen sources (all unless given), as delete-cache --all and "
            "delete-history --site do (a bookmarked page keeps its bookmark)",
            Forget, "example.com --source firefox --dry-run"};
}
