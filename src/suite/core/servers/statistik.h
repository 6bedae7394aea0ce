// Planner statistics of the suite database.
#pragma once

// Gathers fresh statistics for the query planner (ANALYZE), as an administrator would. The servers'
// statements are written so that their plans stay the same with and without statistics.
void qel_StatistikAktualisieren();
