#include "engine/agent/grammar/parsed_instruction.h"

#include "common/text.h"

namespace kelvo::grammar {

namespace {

Record text_or_null(const std::optional<std::u32string>& value) {
  return value ? Record(text::encode(*value)) : Record(nullptr);
}

}  // namespace

Record to_record(const ParsedInstruction& parsed) {
  Record out = Record::object();
  out["action"] = parsed.action;
  out["target"] = text_or_null(parsed.target);
  out["value"] = text_or_null(parsed.value);
  if (parsed.ordinal) out["ordinal"] = static_cast<std::int64_t>(*parsed.ordinal);
  out["_literal_target"] = parsed.literal_target;
  return out;
}

}  // namespace kelvo::grammar
