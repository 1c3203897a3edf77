#pragma once

namespace kestra {

// Type oids of the built-in types the client reads.
enum PgOid : unsigned {
    BoolOid = 16,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    NumericOid = 1700,
};

} // namespace kestra
