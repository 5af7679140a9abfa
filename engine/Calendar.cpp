#include "Calendar.h"

namespace star {

bool ToLunar(int, int, int, LunarDate *) { return false; }
bool ToSolar(int, int, int, double *) { return false; }
double SolarTerm(int, int) { return 0; }

TKvrBase::TKvrBase() { ComputeCalendar(); }
void TKvrBase::ComputeCalendar() {}

}  // namespace star
