#pragma once

// A student's seat on the class grid, both counted from 0.
struct SeatPos
{
    int row = 0;
    int col = 0;
};
