// Spherical earth geometry for the toolkit.
#include "tools/kestrel-frc/geo.h"

#include <cmath>

static const double RadiansPerDegree = 3.14159265358979323846 / 180.0;

double DistanceMeters(double lat1, double lon1, double lat2, double lon2) {
    double phi1 = lat1 * RadiansPerDegree, phi2 = lat2 * RadiansPerDegree;
    double dPhi = phi2 - phi1, dLambda = (lon2 - lon1) * RadiansPerDegree;
    double a = std::sin(dPhi / 2) * std::sin(dPhi / 2) +
               std::cos(phi1) * std::cos(phi2) * std::sin(dLambda / 2) * std::sin(dLambda / 2);
    // Rounding can push a a hair past 1 for antipodal points.
    a = std::fmin(1.0, std::fmax(0.0, a));
    return 2 * EarthRadiusMeters * std::atan2(std::sqrt(a), std::sqrt(1 - a));
}

double CourseDegrees(double lat1, double lon1, double lat2, double lon2) {
    double phi1 = lat1 * RadiansPerDegree, phi2 = lat2 * RadiansPerDegree;
    double dLambda = (lon2 - lon1) * RadiansPerDegree;
    double y = std::sin(dLambda) * std::cos(phi2);
    double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    if (x == 0 && y == 0) return 0;
    double course = std::atan2(y, x) / RadiansPerDegree;
    course = std::fmod(course + 360.0, 360.0);
    return course >= 360.0 ? 0.0 : course;
}

void DestinationPoint(double lat, double lon, double courseDegrees, double distance, double* outLat, double* outLon) {
    double delta = distance / EarthRadiusMeters, theta = courseDegrees * RadiansPerDegree;
    double phi1 = lat * RadiansPerDegree, lambda1 = lon * RadiansPerDegree;
    double phi2 = std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta));
    double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                          std::cos(delta) - std::sin(phi1) * std::sin(phi2));
    *outLat = phi2 / RadiansPerDegree;
    double lonDegrees = std::fmod(lambda2 / RadiansPerDegree + 540.0, 360.0) - 180.0;
    *outLon = lonDegrees;
}

double AngleDifference(double from, double to) {
    double d = std::fmod(to - from, 360.0);
    if (d <= -180.0) d += 360.0;
    if (d > 180.0) d -= 360.0;
    return d;
}
