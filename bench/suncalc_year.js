// The peer of `halvessa-cli series`: the npm library suncalc computing the sun's position for
// every minute of a year at one site, each panel's angle of incidence and production from it,
// and the same CSV columns written to a file with large writes.
//   node suncalc_year.js OUTPUT.csv
'use strict';
const fs = require('fs');
const SunCalc = require('suncalc');

const latitude = 46.205556, longitude = 6.154444, offsetHours = 1;
const panels = [[151, 45], [151, 20], [331, 20], [151, 70], [331, 70]];
const rad = Math.PI / 180;
const normals = panels.map(([az, tilt]) => [Math.sin(az * rad) * Math.sin(tilt * rad),
                                           Math.cos(az * rad) * Math.sin(tilt * rad),
                                           Math.cos(tilt * rad)]);
const pad = (n) => (n < 10 ? '0' : '') + n;

const out = fs.openSync(process.argv[2], 'w');
let buffer = 'time,sun_azimuth,sun_elevation';
panels.forEach((_, i) => { buffer += `,panel${i + 1}_aoi,panel${i + 1}_production`; });
buffer += '\r\n';
const start = Date.UTC(2025, 0, 1) - offsetHours * 3600000;
const date = new Date(0);
for (let k = 0; k < 525600; ++k) {
  const t = start + k * 60000;
  date.setTime(t);
  const p = SunCalc.getPosition(date, latitude, longitude);
  // suncalc's azimuth counts from south toward west; from north toward east it is + 180.
  const azimuth = p.azimuth / rad + 180;
  const elevation = p.altitude / rad;
  const local = new Date(t + offsetHours * 3600000);
  buffer += `${local.getUTCFullYear()}-${pad(local.getUTCMonth() + 1)}-${pad(local.getUTCDate())}T` +
            `${pad(local.getUTCHours())}:${pad(local.getUTCMinutes())}:${pad(local.getUTCSeconds())}+01:00,` +
            `${azimuth},${elevation}`;
  const ce = Math.cos(p.altitude);
  const sx = Math.sin(azimuth * rad) * ce, sy = Math.cos(azimuth * rad) * ce, sz = Math.sin(p.altitude);
  for (const [nx, ny, nz] of normals) {
    const c = Math.max(-1, Math.min(1, sx * nx + sy * ny + sz * nz));
    const aoi = Math.acos(c) / rad;
    const production = elevation > 0 && aoi < 90 ? 100 * Math.pow(c, 1.5) : 0;
    buffer += `,${aoi},${production}`;
  }
  buffer += '\r\n';
  if (buffer.length > 1 << 20) { fs.writeSync(out, buffer); buffer = ''; }
}
fs.writeSync(out, buffer);
fs.closeSync(out);
