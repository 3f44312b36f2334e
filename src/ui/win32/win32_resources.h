// Resource numbers shared by res/kestrine.rc and the code that loads the resources.
#pragma once

#define IDI_KESTRINE 1  // the program icon
