'use strict';
// Prints through Kestrune (岚舟), the local print service, from Node.js.

const { KestruneClient, defaultPipePath } = require('./lib/client');
const { KestruneError } = require('./lib/errors');
const { encodePng, pngSize } = require('./lib/png');
const { limits } = require('./lib/frame');

module.exports = { KestruneClient, KestruneError, encodePng, pngSize, limits, defaultPipePath };
