#include "db/sql/PostgresSupport.h"

namespace kestra {

// The bodies use no backslash, so they read the same whatever
// standard_conforming_strings says.
QStringList postgresSupportStatements()
{
    return {
        // Oracle's text of a value: numbers without trailing zeros and
        // without a leading zero before the point, dates as the client
        // stores them.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(text) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1 $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(integer) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::text $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(bigint) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT $1::text $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(numeric) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ "
                       "SELECT CASE WHEN t LIKE '0.%' THEN substr(t, 2) "
                       "WHEN t LIKE '-0.%' THEN '-' || substr(t, 3) ELSE t END "
                       "FROM (SELECT trim_scale($1)::text AS t) s $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(double precision) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT kestra_text($1::numeric) $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_text(timestamp without time zone) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT to_char($1, 'YYYY-MM-DD HH24:MI:SS') $$"),

        // SUBSTR: 1-based, 0 counts as 1, negative from the end, nothing
        // left is NULL.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_substr(s text, p numeric) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ "
                       "SELECT NULLIF(CASE "
                       "WHEN trunc(p) = 0 THEN s "
                       "WHEN trunc(p) > 0 THEN substr(s, LEAST(trunc(p), 2147483647)::integer) "
                       "WHEN length(s) + trunc(p) >= 0 THEN substr(s, (length(s) + trunc(p) + 1)::integer) "
                       "END, '') $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_substr(s text, p numeric, l numeric) RETURNS text "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ "
                       "SELECT CASE WHEN trunc(l) < 1 THEN NULL "
                       "ELSE NULLIF(substr(kestra_substr(s, p), 1, LEAST(trunc(l), 2147483647)::integer), '') END $$"),

        // INSTR with a start position (negative: backwards) and occurrence.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_instr(s text, sub text, p numeric, occ numeric) "
                       "RETURNS integer LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$\n"
                       "DECLARE\n"
                       "  n integer; m integer; i integer; found integer := 0;\n"
                       "BEGIN\n"
                       "  IF s IS NULL OR sub IS NULL OR p IS NULL OR occ IS NULL THEN RETURN NULL; END IF;\n"
                       "  IF trunc(occ) < 1 THEN\n"
                       "    RAISE EXCEPTION 'ORA-01428: argument ''%'' is out of range', occ;\n"
                       "  END IF;\n"
                       "  n := length(s); m := length(sub);\n"
                       "  IF trunc(p) > 0 THEN\n"
                       "    i := LEAST(trunc(p), n + 1)::integer;\n"
                       "    WHILE i + m - 1 <= n LOOP\n"
                       "      IF substr(s, i, m) = sub THEN\n"
                       "        found := found + 1;\n"
                       "        IF found = trunc(occ) THEN RETURN i; END IF;\n"
                       "      END IF;\n"
                       "      i := i + 1;\n"
                       "    END LOOP;\n"
                       "  ELSIF trunc(p) < 0 THEN\n"
                       "    i := GREATEST(n + trunc(p) + 1, 0)::integer;\n"
                       "    WHILE i >= 1 LOOP\n"
                       "      IF substr(s, i, m) = sub THEN\n"
                       "        found := found + 1;\n"
                       "        IF found = trunc(occ) THEN RETURN i; END IF;\n"
                       "      END IF;\n"
                       "      i := i - 1;\n"
                       "    END LOOP;\n"
                       "  END IF;\n"
                       "  RETURN 0;\n"
                       "END $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_instr(s text, sub text, p numeric) RETURNS integer "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT kestra_instr(s, sub, p, 1) $$"),

        // MOD(m, 0) is m.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_mod(m numeric, n numeric) RETURNS numeric "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ "
                       "SELECT CASE WHEN n = 0 THEN m ELSE mod(m, n) END $$"),

        // DUMP of a national-character column: UTF-16 code units, high
        // byte first.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_dump(s text, fmt integer DEFAULT 10) RETURNS text "
                       "LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$\n"
                       "DECLARE\n"
                       "  base integer := fmt % 1000;\n"
                       "  parts text[] := '{}';\n"
                       "  c text; cp integer; u integer; b integer; units integer[];\n"
                       "BEGIN\n"
                       "  IF s IS NULL OR s = '' THEN RETURN 'NULL'; END IF;\n"
                       "  IF base NOT IN (8, 16, 17) THEN base := 10; END IF;\n"
                       "  FOREACH c IN ARRAY string_to_array(s, NULL) LOOP\n"
                       "    cp := ascii(c);\n"
                       "    IF cp > 65535 THEN\n"
                       "      units := ARRAY[55296 + ((cp - 65536) >> 10), 56320 + ((cp - 65536) & 1023)];\n"
                       "    ELSE\n"
                       "      units := ARRAY[cp];\n"
                       "    END IF;\n"
                       "    FOREACH u IN ARRAY units LOOP\n"
                       "      FOREACH b IN ARRAY ARRAY[u >> 8, u & 255] LOOP\n"
                       "        parts := parts || CASE\n"
                       "          WHEN base = 17 AND b >= 32 AND b < 127 THEN chr(b)\n"
                       "          WHEN base IN (16, 17) THEN to_hex(b)\n"
                       "          WHEN base = 8 THEN COALESCE(NULLIF(ltrim(((b >> 6)::text || ((b >> 3) & 7)::text "
                       "|| (b & 7)::text), '0'), ''), '0')\n"
                       "          ELSE b::text END;\n"
                       "      END LOOP;\n"
                       "    END LOOP;\n"
                       "  END LOOP;\n"
                       "  RETURN 'Typ=1 Len=' || cardinality(parts)\n"
                       "    || CASE WHEN fmt >= 1000 THEN ' CharacterSet=AL16UTF16' ELSE '' END\n"
                       "    || ': ' || array_to_string(parts, ',');\n"
                       "END $$"),

        // A text column read as a number where Oracle compares it with one;
        // text that holds none is NULL.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_as_number(s text) RETURNS numeric "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ "
                       "SELECT CASE WHEN s ~ '^[[:space:]]*[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?"
                       "[[:space:]]*$' THEN CAST(trim(s) AS numeric) END $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_as_number(n numeric) RETURNS numeric "
                       "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT n $$"),

        // What the translator sends in place of a statement it cannot give
        // Oracle's meaning: fails with the Oracle-numbered text.
        QStringLiteral("CREATE OR REPLACE FUNCTION kestra_refuse(message text) RETURNS integer "
                       "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION USING MESSAGE = message; END $$"),
    };
}

QStringList postgresSupportSignatures()
{
    return {
        QStringLiteral("kestra_text(text)"),
        QStringLiteral("kestra_text(integer)"),
        QStringLiteral("kestra_text(bigint)"),
        QStringLiteral("kestra_text(numeric)"),
        QStringLiteral("kestra_text(double precision)"),
        QStringLiteral("kestra_text(timestamp without time zone)"),
        QStringLiteral("kestra_substr(text, numeric)"),
        QStringLiteral("kestra_substr(text, numeric, numeric)"),
        QStringLiteral("kestra_instr(text, text, numeric, numeric)"),
        QStringLiteral("kestra_instr(text, text, numeric)"),
        QStringLiteral("kestra_mod(numeric, numeric)"),
        QStringLiteral("kestra_dump(text, integer)"),
        QStringLiteral("kestra_as_number(text)"),
        QStringLiteral("kestra_as_number(numeric)"),
        QStringLiteral("kestra_refuse(text)"),
    };
}

} // namespace kestra
