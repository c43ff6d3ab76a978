// What a change that a browser refused did and what it kept, told on the
// refusal's line: "2 of 3 pages deleted; Firefox (default-esr) is running:
// its 1 page is kept: close it first".
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "Commands.h"

// What a change chose of one kind, counted by source.
struct Tally {
    const char* noun;  // "group", "page"
    std::map<std::string, std::size_t> bySource{};
    std::size_t total = 0;

    void Add(const std::string& source) {
        ++bySource[source];
        ++total;
    }
};

// A line the platform gave about what it did not do, and the index of the
// tally of the change it comes from.
struct Refusal {
    std::string line;
    std::size_t tally;
};

// Adds the lines to `failures`, each once and none that it holds already:
// one that names a profile that kept rows of its change is told
// with what every change did and what that profile kept; the same line
// from two changes tells both.
void TellKept(const std::vector<Refusal>& refusals, const std::vector<Tally>& tallies,
              Failures& failures);
