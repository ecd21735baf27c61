// tests/unit/reminders/rule_set_cases.h: a rule set that uses every stored value, and the save and
// load round trip both the in-memory and the real registry must pass.
#pragma once

#include "Addressbook/reminders/rule_manager.h"

// Three rules that between them set every value to something other than its default.
CMessageRuleList FullRuleSet();
// Removes Software\Brevolt\Rules with everything under it.
void ClearRules(Registry& p_oStore);
// Saves FullRuleSet through one manager, loads it through another and checks every value.
void ExpectRoundTrip(Registry& p_oStore);
