// What a fuzz target does when an invariant breaks: it names the invariant
// (and the input text, when given) and aborts, which libFuzzer reports along
// with the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void fail(const char* what, const std::string& text = {})
{
    if (text.empty())
        std::fprintf(stderr, "invariant broken: %s\n", what);
    else
        std::fprintf(stderr, "invariant broken: %s for \"%s\"\n", what, text.c_str());
    std::abort();
}
