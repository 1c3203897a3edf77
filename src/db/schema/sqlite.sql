-- SQLite part of the suite database.
--
-- Sequences: SQLite has none, so each CREATE SEQUENCE of the schema becomes a
-- row here; the SQL translator turns "name.nextval" into an update of the row
-- followed by a read of last_value, inside the caller's transaction.
CREATE TABLE kestra_sequence (
    seq_name   VARCHAR(64) NOT NULL,
    last_value INTEGER     NOT NULL,
    CONSTRAINT PK_KESTRA_SEQUENCE PRIMARY KEY (seq_name)
);

-- Prefix searches (LIKE 'key%'). With case_sensitive_like on, as Oracle's
-- LIKE requires, SQLite uses these plain indexes for them.
CREATE INDEX IDX_MARC_IDX_GRP_CONT ON marc_idx (marc_idx_grp, marc_idx_cont);
CREATE INDEX IDX_ASORD_MARC_IDX_GRP_CONT ON asord_marc_idx (asord_idx_grp, asord_idx_cont);
CREATE INDEX IDX_AU_MARC_IDX_GRP_CONT ON au_marc_idx (au_marc_idx_grp, au_marc_idx_cont);
CREATE INDEX IDX_INDI_ACCT_CALL_NO ON indi_acct (call_no);
CREATE INDEX IDX_INDI_ACCT_SHELF_NO ON indi_acct (shelf_no);
