// fragsim: simulates paired reads of many sources from the reference map.
#include "common/run_end.h"

int main() { common::plain_end(); }
