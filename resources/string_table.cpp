// The string table: texts that the program loads by id.
#include "resources/string_table.h"

#include "resources/resource_ids.h"

const char* LoadResourceString(int nId)
{
    switch (nId) {
    case IDS_ABOUTBOX:
        return "&About Vantor...";
    default:
        return "";
    }
}
