#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// What one line of a filter list in the Adblock Plus syntax became.
struct FilterLine {
  enum class Kind {
    kNothing,  // blank, comment or header
    kBlock,
    kException,          // @@, kept only for loads
    kDocumentException,  // @@...$document: nothing on those pages is filtered
    kHide,
    kHideException,  // #@#, applied to the hiding rules of the same list
    kSkipped,
  };
  Kind kind = Kind::kNothing;
  // The engine's rules (JSON objects) for blocks and exceptions.
  std::vector<std::string> rules;
  // For hiding rules and their exceptions: the selector and the sites, lower case.
  std::string selector;
  std::vector<std::string> sites;
  std::vector<std::string> not_sites;
  // Why a skipped line was skipped, a short word ("csp", "scriptlet", "regex", ...).
  std::string skipped_kind;
};

// Reads one line. Whatever the engine cannot take in full is skipped, never passed on
// in part: a rule with an option we do not know could block what it never meant to.
FilterLine read_filter_line(std::string_view line);

// The pattern of a network rule as the engine's URL filter (a regular expression of the
// kind the engine takes: no alternation, no counted repetition, ASCII only); empty when
// it cannot be written so, with `why` set.
std::string url_filter_for(std::string_view pattern, std::string& why);

}  // namespace kv
