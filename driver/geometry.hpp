#pragma once
// Epicentral distance and azimuths on a flattened Earth, in single precision.

namespace tw {

// Kilometres per degree of arc: 4 atan(1) / 180 x 6371.
float km_per_degree();

// Distance (degrees) and azimuth of the rotated unit vector (x, y, z).
void angles(float x, float y, float z, float& delta, float& azimuth);

// Distance, azimuth and back azimuth (degrees) from the event to the station.
void azimth(float elat, float elon, float slat, float slon, float& delta, float& azim,
            float& bazim);

} // namespace tw
