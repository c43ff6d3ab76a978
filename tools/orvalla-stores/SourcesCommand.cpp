// `sources`: where the cache and the history are read from.
#include <cstdio>
#include <string>

#include "Args.h"
#include "Commands.h"
#include "JsonLines.h"
#include "platform/sources.h"

namespace {

const char* RunningText(const BrowserSource& source) {
    if (!source.running)
        return "cannot-tell";
    return *source.running ? "runs" : "closed";
}

std::string Joined(const std::vector<std::string>& files) {
    std::string joined;
    for (const std::string& file : files)
        joined.append(joined.empty() ? "" : ",").append(Escaped(file));
    return joined.empty() ? "-" : joined;
}

void PrintText(const Sources& sources) {
    for (const OwnStore& store : sources.own) {
        std::printf("orvalla %s %s %s\n", store.name.c_str(), store.present ? "present" : "absent",
                    Escaped(store.path).c_str());
    }
    for (const BrowserSource& source : sources.browsers) {
        std::string line = Escaped(source.label) + " browser=" + Escaped(source.browser) +
                           " folder=" + Escaped(source.folder) +
                           " stores=" + Joined(source.stores) + " " + RunningText(source);
        if (!source.running || *source.running)
            line += source.why.empty() ? "" : " why=" + Escaped(source.why);
        std::printf("%s\n", line.c_str());
    }
}

void PrintJson(const Sources& sources) {
    for (const OwnStore& store : sources.own) {
        JsonObject()
            .Text("source", "orvalla")
            .Text("store", store.name)
            .Text("path", store.path)
            .Text("state", store.present ? "present" : "absent")
            .Print();
    }
    for (const BrowserSource& source : sources.browsers) {
        JsonObject json;
        json.Text("source", source.label)
            .Text("browser", source.browser)
            .Text("profile", source.who)
            .Text("folder", source.folder)
            .Texts("stores", source.stores)
            .Text("running", RunningText(source));
        if (!source.why.empty() && source.running != false)
            json.Text("why", source.why);
        json.Print();
    }
}

int ListSources(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"});
    parsed.ExpectPositional(0, 0);
    const ListFormat format = ReadFormat(parsed);
    const Sources sources = FindSources();
    format == ListFormat::Json ? PrintJson(sources) : PrintText(sources);
    if (!sources.failures.empty())
        throw Failures{sources.failures};
    return 0;
}

}  // namespace

Command SourcesCommand() {
    return {"sources", "[--format text|json]",
            "lists Orvalla's own stores and every browser profile found, with its label, "
            "browser, folder, the stores it holds and whether the browser runs",
            ListSources, "--format json"};
}
