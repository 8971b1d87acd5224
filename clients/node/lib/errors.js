'use strict';

// An answer of the service with ok false: `code` is its "KSR-…" code,
// `message` its text (Simplified Chinese), `requestId` the id of the request
// it answers.
class KestruneError extends Error {
  constructor(code, message, requestId) {
    super(message);
    this.name = 'KestruneError';
    this.code = code;
    this.requestId = requestId;
  }
}

module.exports = { KestruneError };
