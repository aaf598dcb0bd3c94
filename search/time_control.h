// The move's clock: started on "go", polled by the search against the budget.
#pragma once

#include <cstdint>

void start_timer();
void set_limit_time(int32_t milliseconds);
int32_t get_time();   // milliseconds since start_timer
int check_timer();    // 1 once the budget is used up
