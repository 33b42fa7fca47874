#pragma once

#include <QStringList>

namespace kvsys::samplemeet {

// Words the generator composes names from; kept apart so the generator reads as logic.
const QStringList& FamilyNames();
const QStringList& MaleGivenNames();
const QStringList& FemaleGivenNames();
const QStringList& ClubNames();
const QStringList& SchoolNames();
const QStringList& PrefectureNames();
const QStringList& CityNames();
const QStringList& RecordMarks();

}  // namespace kvsys::samplemeet
