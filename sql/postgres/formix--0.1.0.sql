-- The functions of the extension formix (formix_pg.c).
\echo Use "CREATE EXTENSION formix" to load this file. \quit

-- The functions read and write UTF-8: in a database of another encoding
-- their texts would be misread (LATIN1) or unreadable (EUC_JP).
DO $$
BEGIN
  IF current_setting('server_encoding') <> 'UTF8' THEN
    RAISE EXCEPTION 'formix needs a UTF-8 database; this one is %', current_setting('server_encoding')
      USING HINT = 'Create the database with ENCODING ''UTF8'' (createdb -E UTF8 -T template0).';
  END IF;
END
$$;

CREATE FUNCTION formix_molar_mass(text) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_molar_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_monoisotopic_mass(text) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_monoisotopic_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_hill(text) RETURNS text
  AS 'MODULE_PATHNAME', 'pg_formix_hill' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_charge(text) RETURNS integer
  AS 'MODULE_PATHNAME', 'pg_formix_charge' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
-- With accept_warnings true: the number of a reading with a warning too
-- (without, such a reading gives NULL, as one with an error does).
CREATE FUNCTION formix_molar_mass(text, accept_warnings boolean) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_molar_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_monoisotopic_mass(text, accept_warnings boolean) RETURNS double precision
  AS 'MODULE_PATHNAME', 'pg_formix_monoisotopic_mass' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_hill(text, accept_warnings boolean) RETURNS text
  AS 'MODULE_PATHNAME', 'pg_formix_hill' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_charge(text, accept_warnings boolean) RETURNS integer
  AS 'MODULE_PATHNAME', 'pg_formix_charge' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
CREATE FUNCTION formix_reading(text) RETURNS text
  AS 'MODULE_PATHNAME', 'pg_formix_reading' LANGUAGE C IMMUTABLE PARALLEL SAFE STRICT;
-- The formulas of a found m/z, one row a candidate (docs/sql.md): an adduct
-- ion ('[M+H]+') or a charge ('1+'), or NULL for a neutral mass; NULL ppm,
-- elements and limit take the defaults (5 ppm, the organic ranges, 5).
CREATE FUNCTION formix_find(mz double precision, adduct text DEFAULT NULL, ppm double precision DEFAULT NULL,
                            elements text DEFAULT NULL, "limit" integer DEFAULT NULL)
  RETURNS TABLE(rank integer, formula text, mz_calc double precision, ppm_error double precision,
                dbe double precision, error text)
  AS 'MODULE_PATHNAME', 'pg_formix_find' LANGUAGE C IMMUTABLE PARALLEL SAFE ROWS 5;
