-- PostgreSQL part of the suite database.
--
-- Prefix searches (LIKE 'key%'): outside the C collation a plain b-tree
-- cannot serve LIKE, so these indexes use the pattern operator class, which
-- also serves equality. The call-number key itself keeps its plain primary
-- key; IDX_CALL_NO_LST_LIKE adds the prefix search on it.
CREATE INDEX IDX_MARC_IDX_GRP_CONT ON marc_idx (marc_idx_grp, marc_idx_cont varchar_pattern_ops);
CREATE INDEX IDX_ASORD_MARC_IDX_GRP_CONT ON asord_marc_idx (asord_idx_grp, asord_idx_cont varchar_pattern_ops);
CREATE INDEX IDX_AU_MARC_IDX_GRP_CONT ON au_marc_idx (au_marc_idx_grp, au_marc_idx_cont varchar_pattern_ops);
CREATE INDEX IDX_INDI_ACCT_CALL_NO ON indi_acct (call_no varchar_pattern_ops);
CREATE INDEX IDX_INDI_ACCT_SHELF_NO ON indi_acct (shelf_no varchar_pattern_ops);
CREATE INDEX IDX_CALL_NO_LST_LIKE ON call_no_lst (call_no varchar_pattern_ops);
-- The copy and reader searches also take prefixes of barcodes, accession
-- numbers and names.
CREATE INDEX IDX_INDI_ACCT_BAR_CODE_LIKE ON indi_acct (bar_code varchar_pattern_ops);
CREATE INDEX IDX_INDI_ACCT_PROP_NO_LIKE ON indi_acct (prop_no varchar_pattern_ops);
CREATE INDEX IDX_READER_NAME_LIKE ON reader (name varchar_pattern_ops);
