#pragma once
// Local date-times as one number, for sorting and comparing times read from files: the seconds
// since 1970-01-01 00:00:00 of the proleptic Gregorian calendar, counted as if every day had
// 86400 seconds and without any time zone (the times are local already). A day past the end of
// its month (31 February, which a panel clock can log) simply counts on into the next month.

#include "core/clock.h"

#include <cstdint>

// The days from 1970-01-01 to the date; months 1 to 12, days from 1.
int64_t CivilDays(int year, int month, int day);
// The date-time as civil seconds; milliseconds are dropped.
int64_t CivilSeconds(const TDateTime& time);
// The date-time of civil seconds (milliseconds 0).
TDateTime CivilDateTime(int64_t seconds);
