'use strict';

const assert = require('assert');
const fs = require('fs');
const path = require('path');
const { test } = require('node:test');
const { version } = require('../package.json');

test('the package version is the program version', () => {
  const cmake = fs.readFileSync(path.join(__dirname, '../../../CMakeLists.txt'), 'utf8');
  assert.strictEqual(version, /project\(Kestrune VERSION ([0-9.]+)/.exec(cmake)[1]);
});
