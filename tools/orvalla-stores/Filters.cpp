#include "Filters.h"

#include <arpa/inet.h>

#include <QString>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "Commands.h"

namespace {

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return lowered;
}

// A host as a cookie or a URL holds it, without a domain cookie's dot or
// an IPv6 address's brackets.
std::string_view Bare(std::string_view host) {
    if (host.starts_with('.'))
        host.remove_prefix(1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return host;
}

}  // namespace

std::string NormalSite(std::string_view site) {
    const std::string bare(Bare(site));
    if (bare.empty())
        throw UsageError{"site '" + std::string(site) + "' is empty"};
    if (IsIpAddress(bare))
        return Lowered(bare);
    const QByteArray ace =
        QUrl::toAce(QString::fromUtf8(bare.data(), static_cast<qsizetype>(bare.size())));
    return Lowered(ace.isEmpty() ? bare : ace.toStdString());
}

std::string NormalHost(std::string_view host) {
    return Lowered(Bare(host));
}

bool SiteSet::Holds(std::string_view host) const {
    if (sites_.contains(host))
        return true;
    for (auto dot = host.find('.'); dot != std::string_view::npos; dot = host.find('.', dot + 1)) {
        const std::string_view above = host.substr(dot + 1);
        if (sites_.contains(above) && !IsIpAddress(std::string(above)))
            return !IsIpAddress(std::string(host));
    }
    return false;
}

EntryFilter::EntryFilter(const ParsedArguments& parsed)
    : EntryFilter(parsed.Values("--source"), parsed.Values("--site")) {}

EntryFilter::EntryFilter(std::vector<std::string> sources, const std::vector<std::string>& sites)
    : sources_(std::move(sources)) {
    for (const std::string& site : sites)
        sites_.Add(NormalSite(site));
    if (std::count(sources_.begin(), sources_.end(), ""))
        throw UsageError{"a source is empty"};
}

bool EntryFilter::Takes(std::string_view source, std::string_view host) const {
    const auto named = [&](const std::string& wanted) { return SourceNamed(wanted, source); };
    return (sources_.empty() || std::any_of(sources_.begin(), sources_.end(), named)) &&
           (sites_.Empty() || sites_.Holds(NormalHost(host)));
}
