-- The functions of the extension formix (formix_pg.c).
\echo Use "CREATE EXTENSION formix" to load this file. \quit

CREATE FUNCTION formix_molar_mass(text) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_molar_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_monoisotopic_mass(text) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_monoisotopic_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_hill(text) RETURNS text
  AS 'MODULE_PATHNAME', 'pg_formix_hill' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_charge(text) RETURNS integer
  AS 'MODULE_PATHNAME', 'pg_formix_charge' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_reading(text) RETURNS text
  AS 'MODULE_PATHNAME', 'pg_formix_reading' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
