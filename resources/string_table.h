// The string table: texts that the program loads by id.
#pragma once

// The text of string `nId`, or an empty text when the table has none.
const char* LoadResourceString(int nId);
