// Marks a text that the window shows to the user for the message catalogs. The text stays as
// it is where it is written (GUI-free tables, core messages, the command-line tool); the
// window translates it where it shows it. po/make-pot.sh collects every marked text.
#pragma once

#ifndef N_
#define N_(text) text
#endif
