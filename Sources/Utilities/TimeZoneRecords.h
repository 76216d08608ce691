#pragma once

// The zone records held in the program, as JSON: a list of objects with "id"
// (integer) and "name" ("(GMT+hhmm) Zone/Identifier").
namespace TimeZoneRecords {
const char* json();
}
