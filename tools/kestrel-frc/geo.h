// Flight geometry on the earth as a sphere: distances, courses and destinations between
// positions in degrees. Shared by the toolkit's commands; pure functions.
#pragma once

constexpr double EarthRadiusMeters = 6371008.8;  // mean radius
constexpr double MetersPerFoot = 0.3048;
constexpr double MetersPerNauticalMile = 1852.0;
constexpr double StandardGravity = 9.80665;  // m/s^2

// Great-circle distance in metres (haversine).
double DistanceMeters(double lat1, double lon1, double lat2, double lon2);
// Initial true course from the first position to the second, 0 <= course < 360; 0 when
// the positions are the same.
double CourseDegrees(double lat1, double lon1, double lat2, double lon2);
// The position reached after distance metres on the given initial course.
void DestinationPoint(double lat, double lon, double courseDegrees, double distance, double* outLat, double* outLon);
// The signed smallest difference to - from of two angles in degrees, -180 < d <= 180.
double AngleDifference(double from, double to);
