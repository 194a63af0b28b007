// "Web Management": the dialog that edits the expiry or the review rule (date tag, days, who is
// told).
#pragma once

#include <string_view>

#include "platform/ui.h"

// The menu commands that open it.
enum : int { kCmdDateRulesReview = 40034, kCmdDateRulesExpiry = 40037 };

// Control ids.
enum : int {
  kIdRuleDateTag = 1010,     // editable combo box of the schema's tag names
  kIdRuleDays = 1011,        // "Email if fewer than" ... "days remain"
  kIdRuleOwnerBox = 1012,    // "Email the document owner ..."
  kIdRuleOwnerTag = 1013,    // editable combo box of the schema's tag names
  kIdRuleAdminBox = 1014,    // "Email the Web Administrator ..."
  kIdRuleAdminEmail = 1015,  // the administrator's address
};

// The dialog template for the command (40037 expiry, 40034 review).
platform::DialogTemplate WebManagementTemplate(int commandId);

// Edits ExpiryRule (40037) or ReviewRule (40034). OK stores the four values, Cancel nothing.
// Returns the dialog's result (1 OK, 2 Cancel), or -1 for any other command.
int WebManagementDialog(platform::WindowHandle owner, int commandId);

// The days field read as a number: decimal digits between optional blanks, else 0.
int DaysFieldValue(std::string_view text);
