-- The suite database, version 1.
--
-- One statement per ';'. Portable: SQLite 3.40 and PostgreSQL 15 take every
-- statement here as written (the installer only re-expresses named PRIMARY
-- KEY / UNIQUE constraints as named unique indexes on SQLite, which would
-- otherwise drop their names, and turns CREATE SEQUENCE into a counter row
-- there). Types: VARCHAR(n), INTEGER, NUMERIC(p,s), TEXT. Every date is text,
-- "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", so date columns are VARCHAR(19).
--
-- Naming: PK_<TABLE> primary keys, UK_<TABLE>[_<what>] unique keys,
-- IDX_<TABLE>_<what> plain indexes, FK_<CHILD>_REFERENCE_<SUBJECT> foreign
-- keys, where <SUBJECT> is ITEM (a copy: indi_acct or item), CALL (call_no_lst),
-- MARC (marc) or READER (reader), else the parent table's name. The error
-- mapping picks the "referenced" message from the first of those four words
-- after the first "_RE" of the name; docs/schema.md has the rules.
--
-- Parents come before their children: PostgreSQL needs the referenced table
-- at CREATE time.

-- ---------------------------------------------------------------------------
-- Installation bookkeeping
-- ---------------------------------------------------------------------------

CREATE TABLE kestra_schema_version (
    version INTEGER NOT NULL
);

-- ---------------------------------------------------------------------------
-- Messages, parameters, logs and workload
-- ---------------------------------------------------------------------------

CREATE TABLE msg_mst (
    msg_id      VARCHAR(6)   NOT NULL,
    msg_content VARCHAR(400),
    CONSTRAINT PK_MSG_MST PRIMARY KEY (msg_id)
);

CREATE TABLE sys_comm_para (
    sys_para_code  VARCHAR(20)  NOT NULL,
    sys_para_value VARCHAR(255),
    sys_para_name  VARCHAR(100),
    remark         VARCHAR(200),
    CONSTRAINT PK_SYS_COMM_PARA PRIMARY KEY (sys_para_code)
);

CREATE TABLE log_type (
    log_type   VARCHAR(5)  NOT NULL,
    log_name   VARCHAR(60),
    data_name1 VARCHAR(40),
    data_name2 VARCHAR(40),
    data_name3 VARCHAR(40),
    CONSTRAINT PK_LOG_TYPE PRIMARY KEY (log_type)
);

-- The suite-wide operation log; written by every module, searched by date.
CREATE TABLE log_detl (
    log_type      VARCHAR(5),
    log_date      VARCHAR(19),
    log_time      VARCHAR(8),
    wkr_no        VARCHAR(20),
    computer      VARCHAR(64),
    location_name VARCHAR(60),
    marc_rec_no   VARCHAR(20),
    prop_no       VARCHAR(30),
    cert_id       VARCHAR(30),
    data1         VARCHAR(400),
    data2         VARCHAR(400),
    data3         VARCHAR(400)
);
CREATE INDEX IDX_LOG_DETL_DATE ON log_detl (log_date, log_time);
CREATE INDEX IDX_LOG_DETL_TYPE ON log_detl (log_type, log_date);
CREATE INDEX IDX_LOG_DETL_PROP ON log_detl (prop_no);

CREATE TABLE job_type (
    job_type VARCHAR(3)  NOT NULL,
    job_name VARCHAR(60),
    CONSTRAINT PK_JOB_TYPE PRIMARY KEY (job_type)
);

-- One row per operator, job type and day of work.
CREATE TABLE wkr_job_qty (
    wkr_no_f VARCHAR(20)   NOT NULL,
    job_type VARCHAR(3)    NOT NULL,
    oper_date VARCHAR(19)  NOT NULL,
    kind     INTEGER       DEFAULT 0,
    volume   INTEGER       DEFAULT 0,
    amount   NUMERIC(14,2) DEFAULT 0,
    CONSTRAINT PK_WKR_JOB_QTY PRIMARY KEY (wkr_no_f, job_type, oper_date)
);
CREATE INDEX IDX_WKR_JOB_QTY_DATE ON wkr_job_qty (oper_date);

-- ---------------------------------------------------------------------------
-- Staff, workstations and rights
-- ---------------------------------------------------------------------------

CREATE TABLE department (
    dep_id   VARCHAR(10) NOT NULL,
    dep_name VARCHAR(60),
    use_flag VARCHAR(1),
    CONSTRAINT PK_DEPARTMENT PRIMARY KEY (dep_id)
);

CREATE TABLE lib_worker (
    wkr_no        VARCHAR(20)  NOT NULL,
    wkr_name      VARCHAR(40),
    password      VARCHAR(64),
    wkr_flag      VARCHAR(1),
    code2         VARCHAR(1),
    wkr_email     VARCHAR(100),
    wkr_tele      VARCHAR(40),
    catalog_level VARCHAR(1),
    modi_pwd_date VARCHAR(19),
    dep_id        VARCHAR(10),
    remark        VARCHAR(200),
    CONSTRAINT PK_LIB_WORKER PRIMARY KEY (wkr_no)
);
CREATE INDEX IDX_LIB_WORKER_NAME ON lib_worker (wkr_name);

-- Failed logins: one row per operator while failures are being counted.
CREATE TABLE login_log (
    wkr_no           VARCHAR(20) NOT NULL,
    error_count      INTEGER     DEFAULT 0,
    limit_login_time VARCHAR(19),
    CONSTRAINT PK_LOGIN_LOG PRIMARY KEY (wkr_no)
);

CREATE TABLE user_comp_lst (
    wkr_no    VARCHAR(20) NOT NULL,
    comp_name VARCHAR(64) NOT NULL,
    CONSTRAINT PK_USER_COMP_LST PRIMARY KEY (wkr_no, comp_name)
);

-- The holdings location of each workstation.
CREATE TABLE loca_comp_lst (
    comp_name VARCHAR(64) NOT NULL,
    location  VARCHAR(20),
    CONSTRAINT PK_LOCA_COMP_LST PRIMARY KEY (comp_name)
);

CREATE TABLE user_auth_lst (
    wkr_no    VARCHAR(20) NOT NULL,
    modu_code VARCHAR(10) NOT NULL,
    CONSTRAINT PK_USER_AUTH_LST PRIMARY KEY (wkr_no, modu_code)
);

CREATE TABLE user_location (
    wkr_no   VARCHAR(20) NOT NULL,
    location VARCHAR(20) NOT NULL,
    CONSTRAINT PK_USER_LOCATION PRIMARY KEY (wkr_no, location)
);

-- Cataloguing workspaces (named result sets of an operator).
CREATE TABLE workspace (
    wkr_no         VARCHAR(20)  NOT NULL,
    workspace_name VARCHAR(60)  NOT NULL,
    create_date    VARCHAR(19),
    remark         VARCHAR(200),
    CONSTRAINT PK_WORKSPACE PRIMARY KEY (wkr_no, workspace_name)
);

-- ---------------------------------------------------------------------------
-- Locations
-- ---------------------------------------------------------------------------

CREATE TABLE loca_group (
    group_id   VARCHAR(10) NOT NULL,
    group_name VARCHAR(60),
    CONSTRAINT PK_LOCA_GROUP PRIMARY KEY (group_id)
);

CREATE TABLE campus (
    campus_code   VARCHAR(10)  NOT NULL,
    campus_name   VARCHAR(60),
    take_location VARCHAR(20),
    campus_remark VARCHAR(200),
    CONSTRAINT PK_CAMPUS PRIMARY KEY (campus_code)
);

CREATE TABLE location_lst (
    location          VARCHAR(20)  NOT NULL,
    location_name     VARCHAR(60),
    location_property VARCHAR(10),
    short_loca_name   VARCHAR(20),
    loca_use          VARCHAR(1),
    lend_location     VARCHAR(20),
    ret_location      VARCHAR(20),
    fine_location     VARCHAR(20),
    group_id          VARCHAR(10),
    branch_id         VARCHAR(20),
    campus_code       VARCHAR(10),
    remark            VARCHAR(200),
    CONSTRAINT PK_LOCATION_LST PRIMARY KEY (location)
);

-- The locations offered per operation type, in their order.
CREATE TABLE location_sort (
    location VARCHAR(20) NOT NULL,
    oper_type VARCHAR(2) NOT NULL,
    sequence INTEGER,
    CONSTRAINT PK_LOCATION_SORT PRIMARY KEY (oper_type, location)
);

CREATE TABLE close_day (
    location      VARCHAR(20) NOT NULL,
    close_bgn_day VARCHAR(19) NOT NULL,
    close_end_day VARCHAR(19),
    ext_days      INTEGER,
    CONSTRAINT PK_CLOSE_DAY PRIMARY KEY (location, close_bgn_day)
);

CREATE TABLE open_time (
    location       VARCHAR(20) NOT NULL,
    week           VARCHAR(2)  NOT NULL,
    morn_open_time VARCHAR(20),
    aftn_open_time VARCHAR(20),
    even_open_time VARCHAR(20),
    CONSTRAINT PK_OPEN_TIME PRIMARY KEY (location, week)
);

-- ---------------------------------------------------------------------------
-- Code tables
-- ---------------------------------------------------------------------------

CREATE TABLE circ_type_code (
    circ_type_code VARCHAR(2)   NOT NULL,
    circ_type_name VARCHAR(40),
    remark         VARCHAR(200),
    code_use_flag  VARCHAR(1),
    CONSTRAINT PK_CIRC_TYPE_CODE PRIMARY KEY (circ_type_code)
);

CREATE TABLE classifica_code (
    cls_id        VARCHAR(2)  NOT NULL,
    cls_name      VARCHAR(60),
    marc_field    VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_CLASSIFICA_CODE PRIMARY KEY (cls_id)
);

-- The circulation type a class (call-number prefix) takes by default.
CREATE TABLE circ_type_sort (
    cls_id         VARCHAR(2)  NOT NULL,
    circ_type_code VARCHAR(2)  NOT NULL,
    class          VARCHAR(60) NOT NULL,
    CONSTRAINT PK_CIRC_TYPE_SORT PRIMARY KEY (cls_id, circ_type_code, class)
);

CREATE TABLE cls_group (
    grp_code VARCHAR(10) NOT NULL,
    grp_name VARCHAR(60),
    CONSTRAINT PK_CLS_GROUP PRIMARY KEY (grp_code)
);

CREATE TABLE doc_type_code (
    doc_type_code VARCHAR(2)  NOT NULL,
    doc_type_name VARCHAR(40),
    doc_type_prop VARCHAR(2),
    doc_type_sort INTEGER,
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_DOC_TYPE_CODE PRIMARY KEY (doc_type_code)
);

CREATE TABLE carrier_code (
    carrier_code  VARCHAR(2)  NOT NULL,
    carrier_name  VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_CARRIER_CODE PRIMARY KEY (carrier_code)
);

CREATE TABLE get_mode_code (
    get_mode_code VARCHAR(2)  NOT NULL,
    get_mode_name VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_GET_MODE_CODE PRIMARY KEY (get_mode_code)
);

CREATE TABLE language_code (
    lang_code     VARCHAR(3)  NOT NULL,
    lang_name     VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_LANGUAGE_CODE PRIMARY KEY (lang_code)
);

CREATE TABLE country_code (
    country_code  VARCHAR(2)  NOT NULL,
    country_name  VARCHAR(60),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_COUNTRY_CODE PRIMARY KEY (country_code)
);

CREATE TABLE lend_grd (
    lend_grd      VARCHAR(2)  NOT NULL,
    remark        VARCHAR(60),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_LEND_GRD PRIMARY KEY (lend_grd)
);

CREATE TABLE reader_type (
    redr_type_code      VARCHAR(4)    NOT NULL,
    redr_type_name      VARCHAR(40),
    chk_validity_period INTEGER,
    max_lend_qty        INTEGER,
    max_debt_amt        NUMERIC(12,2),
    max_preg_qty        INTEGER,
    max_preg_days       INTEGER,
    deposit_base        NUMERIC(12,2),
    deposit_ratio       NUMERIC(6,2),
    redr_attr_1         VARCHAR(10),
    redr_attr_2         VARCHAR(10),
    redr_attr_3         VARCHAR(10),
    union_circ_flag     VARCHAR(1),
    max_rele_qty        INTEGER,
    max_rele_days       INTEGER,
    code_use_flag       VARCHAR(1),
    CONSTRAINT PK_READER_TYPE PRIMARY KEY (redr_type_code)
);

CREATE TABLE violate_code (
    volt_code     VARCHAR(4)   NOT NULL,
    volt_name     VARCHAR(60),
    df_type       VARCHAR(1),
    df_value      NUMERIC(12,2),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_VIOLATE_CODE PRIMARY KEY (volt_code)
);

CREATE TABLE limit_type (
    limit_type_code VARCHAR(4)  NOT NULL,
    limit_type_name VARCHAR(60),
    limit_use_flag  VARCHAR(1),
    CONSTRAINT PK_LIMIT_TYPE PRIMARY KEY (limit_type_code)
);

CREATE TABLE publish_busi (
    publ_code VARCHAR(20)  NOT NULL,
    publ_name VARCHAR(200),
    publ_addr VARCHAR(200),
    CONSTRAINT PK_PUBLISH_BUSI PRIMARY KEY (publ_code)
);

CREATE TABLE pay_mode_code (
    pay_mode_code VARCHAR(2)  NOT NULL,
    pay_mode_name VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_PAY_MODE_CODE PRIMARY KEY (pay_mode_code)
);

CREATE TABLE fund_src_code (
    fund_src_code VARCHAR(4)  NOT NULL,
    fund_src_name VARCHAR(60),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_FUND_SRC_CODE PRIMARY KEY (fund_src_code)
);

CREATE TABLE money_type (
    money_code VARCHAR(3)  NOT NULL,
    money_name VARCHAR(40),
    exch_rate  NUMERIC(12,4),
    CONSTRAINT PK_MONEY_TYPE PRIMARY KEY (money_code)
);

CREATE TABLE send_time_type (
    id            VARCHAR(4)  NOT NULL,
    send_time     VARCHAR(40),
    code_use_flag VARCHAR(1),
    CONSTRAINT PK_SEND_TIME_TYPE PRIMARY KEY (id)
);

-- ---------------------------------------------------------------------------
-- Circulation rules
-- ---------------------------------------------------------------------------

CREATE TABLE circ_rule (
    rule_no             VARCHAR(10)   NOT NULL,
    rule_name           VARCHAR(60),
    time_unit           VARCHAR(1),
    norm_term           INTEGER,
    limt_lend_qty       INTEGER,
    max_lend_qty        INTEGER,
    perg_ysno           VARCHAR(1),
    renew_ysno          VARCHAR(1),
    max_renew_times     INTEGER,
    renew_bef_exp_days  INTEGER,
    fst_renew_days      INTEGER,
    add_renew_days      INTEGER,
    preg_keep_days      INTEGER,
    min_use_days        INTEGER,
    use_bef_exp_days    INTEGER,
    use_aft_asback_days INTEGER,
    max_excd_times      INTEGER,
    fst_notice          INTEGER,
    snd_notice          INTEGER,
    thd_notice          INTEGER,
    unfine_ext_days     INTEGER,
    fst_fine_days       INTEGER,
    fst_fine_price      NUMERIC(10,2),
    other_fine_price    NUMERIC(10,2),
    tech_fee            NUMERIC(10,2),
    serv_fee            NUMERIC(10,2),
    fst_notice_no       VARCHAR(10),
    snd_notice_no       VARCHAR(10),
    thd_notice_no       VARCHAR(10),
    preg_notice_no      VARCHAR(10),
    keep_book_qty       INTEGER,
    renew_calc_flag     VARCHAR(1),
    rule_flag           VARCHAR(1),
    reg_day             VARCHAR(19),
    upt_day             VARCHAR(19),
    resp_wkr            VARCHAR(20),
    rele_keep_days      INTEGER,
    CONSTRAINT PK_CIRC_RULE PRIMARY KEY (rule_no)
);

-- Which rule applies to a location, circulation type, reader type and
-- department; the highest number wins.
CREATE TABLE rule_comp (
    no               INTEGER     NOT NULL,
    rule_no          VARCHAR(10),
    loca_code_c      VARCHAR(20),
    circ_type_code_c VARCHAR(2),
    redr_type_code_c VARCHAR(4),
    r_dep_id         VARCHAR(10),
    CONSTRAINT PK_RULE_COMP PRIMARY KEY (no)
);

CREATE TABLE group_rule_comp (
    r_group_id       VARCHAR(10) NOT NULL,
    redr_type_code_r VARCHAR(4)  NOT NULL,
    circ_type_code_r VARCHAR(2)  NOT NULL,
    max_lend_qty     INTEGER,
    CONSTRAINT PK_GROUP_RULE_COMP PRIMARY KEY (r_group_id, redr_type_code_r, circ_type_code_r)
);

-- ---------------------------------------------------------------------------
-- Bibliographic records and their indexes
-- ---------------------------------------------------------------------------

CREATE TABLE marc (
    marc_rec_no     VARCHAR(20)   NOT NULL,
    marc_type       VARCHAR(1),
    doc_type_code   VARCHAR(2),
    lang_code       VARCHAR(3),
    country_code    VARCHAR(2),
    marc_use_flag   VARCHAR(2),
    cata_oper       VARCHAR(20),
    cata_date       VARCHAR(19),
    create_oper     VARCHAR(20),
    create_date     VARCHAR(19),
    opac_flag       VARCHAR(1),
    catalog_level   VARCHAR(1),
    m_call_no       VARCHAR(60),
    m_title         VARCHAR(1000),
    m_author        VARCHAR(500),
    m_publisher     VARCHAR(300),
    m_pub_year      VARCHAR(20),
    m_isbn          VARCHAR(100),
    m_classno       VARCHAR(60),
    m_info1         VARCHAR(500),
    m_info2         VARCHAR(500),
    m_info3         VARCHAR(500),
    m_info4         VARCHAR(500),
    m_info5         VARCHAR(500),
    m_info6         VARCHAR(500),
    m_info7         VARCHAR(500),
    m_info8         VARCHAR(500),
    m_info9         VARCHAR(500),
    m_info10        VARCHAR(500),
    m_info11        VARCHAR(500),
    m_info12        VARCHAR(500),
    m_info13        VARCHAR(500),
    m_info14        VARCHAR(500),
    m_info15        VARCHAR(500),
    m_info16        VARCHAR(500),
    m_info17        VARCHAR(500),
    m_info18        VARCHAR(500),
    m_info19        VARCHAR(500),
    m_info20        VARCHAR(500),
    m_info21        VARCHAR(500),
    m_info22        VARCHAR(500),
    copies          INTEGER DEFAULT 0,
    lendable_copies INTEGER DEFAULT 0,
    CONSTRAINT PK_MARC PRIMARY KEY (marc_rec_no)
);

-- The ISO 2709 record in chunks, read in data_serial order.
CREATE TABLE marc_data (
    marc_rec_no VARCHAR(20)   NOT NULL,
    data_serial INTEGER       NOT NULL,
    marc01      VARCHAR(2000),
    marc02      VARCHAR(2000),
    marc03      VARCHAR(2000),
    CONSTRAINT PK_MARC_DATA PRIMARY KEY (marc_rec_no, data_serial),
    CONSTRAINT FK_MARC_DATA_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no)
);

-- Search terms of a record by index group. marc_idx_cont is 120 wide so that
-- the index-width probe settles on 60 characters in either storage mode. The
-- group + content index lives in the dialect files: PostgreSQL needs a
-- pattern operator class there for LIKE 'key%'.
CREATE TABLE marc_idx (
    marc_rec_no   VARCHAR(20)  NOT NULL,
    marc_idx_grp  VARCHAR(2)   NOT NULL,
    marc_idx_cont VARCHAR(120)
);
CREATE INDEX IDX_MARC_IDX_REC ON marc_idx (marc_rec_no);

CREATE TABLE marc_idx_para (
    marc_type_id      INTEGER      NOT NULL,
    use_type          INTEGER      NOT NULL,
    marc_idx_grp      VARCHAR(2)   NOT NULL,
    marc_idx_grp_name VARCHAR(40),
    stopword_flag     VARCHAR(1),
    marc_field        VARCHAR(200),
    CONSTRAINT PK_MARC_IDX_PARA PRIMARY KEY (marc_type_id, use_type, marc_idx_grp)
);

CREATE TABLE title_field (
    marc_type_id INTEGER    NOT NULL,
    serial       INTEGER    NOT NULL,
    marc_field   VARCHAR(8),
    CONSTRAINT PK_TITLE_FIELD PRIMARY KEY (marc_type_id, serial)
);

-- One row per stop-word type: 0 whole words, 1 strings, 2 and 3 characters.
CREATE TABLE stopword (
    stopword_type INTEGER NOT NULL,
    stopword_cont VARCHAR(4000)
);

CREATE TABLE marc_info_field (
    serial_no INTEGER     NOT NULL,
    name      VARCHAR(40),
    cn_field  VARCHAR(8),
    us_field  VARCHAR(8),
    field_len INTEGER,
    CONSTRAINT PK_MARC_INFO_FIELD PRIMARY KEY (serial_no)
);

-- Records still on order (acquisitions) and their index.
CREATE TABLE asord_marc (
    asord_marc_rec_no VARCHAR(20)   NOT NULL,
    marc_type         VARCHAR(1),
    doc_type_code     VARCHAR(2),
    lang_code         VARCHAR(3),
    country_code      VARCHAR(2),
    marc_use_flag     VARCHAR(2),
    opac_flag         VARCHAR(1),
    m_call_no         VARCHAR(60),
    m_title           VARCHAR(1000),
    m_author          VARCHAR(500),
    m_publisher       VARCHAR(300),
    m_pub_year        VARCHAR(20),
    m_isbn            VARCHAR(100),
    m_classno         VARCHAR(60),
    m_info1           VARCHAR(500),
    m_info2           VARCHAR(500),
    m_info3           VARCHAR(500),
    m_info4           VARCHAR(500),
    m_info5           VARCHAR(500),
    m_info6           VARCHAR(500),
    m_info7           VARCHAR(500),
    m_info8           VARCHAR(500),
    m_info9           VARCHAR(500),
    m_info10          VARCHAR(500),
    m_info11          VARCHAR(500),
    m_info12          VARCHAR(500),
    m_info13          VARCHAR(500),
    m_info14          VARCHAR(500),
    m_info15          VARCHAR(500),
    m_info16          VARCHAR(500),
    m_info17          VARCHAR(500),
    m_info18          VARCHAR(500),
    m_info19          VARCHAR(500),
    m_info20          VARCHAR(500),
    m_info21          VARCHAR(500),
    m_info22          VARCHAR(500),
    CONSTRAINT PK_ASORD_MARC PRIMARY KEY (asord_marc_rec_no)
);

CREATE TABLE asord_marc_idx (
    asord_marc_rec_no VARCHAR(20)  NOT NULL,
    asord_idx_grp     VARCHAR(2)   NOT NULL,
    asord_idx_cont    VARCHAR(120)
);
CREATE INDEX IDX_ASORD_MARC_IDX_REC ON asord_marc_idx (asord_marc_rec_no);

-- Authority records and their index.
CREATE TABLE au_marc (
    au_marc_rec_no VARCHAR(20)   NOT NULL,
    marc_type      VARCHAR(1),
    marc_use_flag  VARCHAR(2),
    m_heading      VARCHAR(500),
    m_see          VARCHAR(1000),
    m_seealso      VARCHAR(1000),
    cata_oper      VARCHAR(20),
    cata_date      VARCHAR(19),
    CONSTRAINT PK_AU_MARC PRIMARY KEY (au_marc_rec_no)
);

CREATE TABLE au_marc_idx (
    au_marc_rec_no   VARCHAR(20)  NOT NULL,
    au_marc_idx_grp  VARCHAR(2)   NOT NULL,
    au_marc_idx_cont VARCHAR(120)
);
CREATE INDEX IDX_AU_MARC_IDX_REC ON au_marc_idx (au_marc_rec_no);

-- One row per call number; the statistics join copies to it.
CREATE TABLE call_no_lst (
    call_no          VARCHAR(60)  NOT NULL,
    marc_rec_no      VARCHAR(20),
    cls_id           VARCHAR(2),
    circ_type_code   VARCHAR(2),
    lend_grd         VARCHAR(2),
    year_circ_times  INTEGER DEFAULT 0,
    total_circ_times INTEGER DEFAULT 0,
    year_read_times  INTEGER DEFAULT 0,
    total_read_times INTEGER DEFAULT 0,
    year_preg_times  INTEGER DEFAULT 0,
    total_preg_times INTEGER DEFAULT 0,
    CONSTRAINT PK_CALL_NO_LST PRIMARY KEY (call_no),
    CONSTRAINT FK_CALL_NO_LST_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no)
);
CREATE INDEX IDX_CALL_NO_LST_REC ON call_no_lst (marc_rec_no);

-- Highest book-number serial given per class (cataloguing).
CREATE TABLE max_class_serial (
    cls_id     VARCHAR(2)  NOT NULL,
    class_no   VARCHAR(60) NOT NULL,
    max_serial INTEGER     DEFAULT 0,
    CONSTRAINT PK_MAX_CLASS_SERIAL PRIMARY KEY (cls_id, class_no)
);

-- ---------------------------------------------------------------------------
-- Acquisitions (kept here so that every duplicate-key message has its key)
-- ---------------------------------------------------------------------------

CREATE TABLE asord_cata (
    asord_cata_no VARCHAR(20)  NOT NULL,
    cata_name     VARCHAR(200),
    publ_code     VARCHAR(20),
    cata_date     VARCHAR(19),
    resp_wkr      VARCHAR(20),
    remark        VARCHAR(200),
    CONSTRAINT PK_ASORD_CATA PRIMARY KEY (asord_cata_no)
);

CREATE TABLE asord_cata_detl (
    asord_cata_no VARCHAR(20)   NOT NULL,
    subscr_no     VARCHAR(30)   NOT NULL,
    isbn          VARCHAR(30),
    m_title       VARCHAR(1000),
    m_author      VARCHAR(500),
    m_publisher   VARCHAR(300),
    price         NUMERIC(12,2),
    remark        VARCHAR(200),
    CONSTRAINT PK_ASORD_CATA_DETL PRIMARY KEY (asord_cata_no, subscr_no),
    CONSTRAINT FK_ASORD_CATA_DETL_REFERENCE_ASORD_CATA FOREIGN KEY (asord_cata_no) REFERENCES asord_cata (asord_cata_no)
);

CREATE TABLE input_batch (
    batch_no   VARCHAR(20)  NOT NULL,
    batch_type VARCHAR(2),
    batch_date VARCHAR(19),
    resp_wkr   VARCHAR(20),
    remark     VARCHAR(200),
    CONSTRAINT PK_INPUT_BATCH PRIMARY KEY (batch_no)
);

-- Orders: the order number is the copies' asord_no.
CREATE TABLE order_lst (
    asord_no          VARCHAR(30)   NOT NULL,
    asord_marc_rec_no VARCHAR(20),
    marc_rec_no       VARCHAR(20),
    location          VARCHAR(20),
    order_date        VARCHAR(19),
    copys             INTEGER,
    price             NUMERIC(12,2),
    money_code        VARCHAR(3),
    fund_src_code     VARCHAR(4),
    order_stat        VARCHAR(1),
    batch_no          VARCHAR(20),
    resp_wkr          VARCHAR(20),
    remark            VARCHAR(200),
    CONSTRAINT PK_ORDER PRIMARY KEY (asord_no)
);

-- Acceptance batches.
CREATE TABLE check_acct (
    chk_batch_no VARCHAR(20)  NOT NULL,
    check_date   VARCHAR(19),
    resp_wkr     VARCHAR(20),
    remark       VARCHAR(200),
    CONSTRAINT PK_CHECK_ACCT PRIMARY KEY (chk_batch_no)
);

-- An order accepted in an acceptance batch.
CREATE TABLE order_check (
    chk_batch_no VARCHAR(20)   NOT NULL,
    asord_no     VARCHAR(30)   NOT NULL,
    copys        INTEGER,
    price        NUMERIC(12,2),
    check_date   VARCHAR(19),
    resp_wkr     VARCHAR(20),
    CONSTRAINT PK_ORDER_CHECK PRIMARY KEY (chk_batch_no, asord_no),
    CONSTRAINT FK_ORDER_CHECK_REFERENCE_CHECK_ACCT FOREIGN KEY (chk_batch_no) REFERENCES check_acct (chk_batch_no)
);

-- Accession numbers given back for reuse.
CREATE TABLE recycle_sec (
    prop_no      VARCHAR(30) NOT NULL,
    recycle_date VARCHAR(19),
    resp_wkr     VARCHAR(20),
    CONSTRAINT PK_RECYCLE_SEC PRIMARY KEY (prop_no)
);

CREATE TABLE invo (
    invo_no   VARCHAR(30)   NOT NULL,
    invo_code VARCHAR(30)   NOT NULL,
    invo_date VARCHAR(19),
    amount    NUMERIC(14,2),
    publ_code VARCHAR(20),
    resp_wkr  VARCHAR(20),
    CONSTRAINT PK_INVO PRIMARY KEY (invo_no, invo_code)
);

-- A subscriber location's funds per source and year.
CREATE TABLE location_fund_detl (
    location      VARCHAR(20)   NOT NULL,
    fund_src_code VARCHAR(4)    NOT NULL,
    fund_year     VARCHAR(4)    NOT NULL,
    fund_amt      NUMERIC(14,2),
    used_amt      NUMERIC(14,2),
    CONSTRAINT PK_LOCATION_FUND_DETL PRIMARY KEY (location, fund_src_code, fund_year)
);

-- ---------------------------------------------------------------------------
-- Copies
-- ---------------------------------------------------------------------------

-- A physical copy, keyed by its accession number. Barcodes may be missing
-- until assignment; where present they are unique. The first 22 columns, in
-- this order, are the positions of update00_indi_acct and update10_indi_acct
-- (1 prop_no, 13 bar_code, 14 in_date, 15 book_stat_code, 16
-- rec_flag_upt_date, 19 resp_wkr, 22 dis_location are fixed by their
-- callers): do not reorder them.
CREATE TABLE indi_acct (
    prop_no           VARCHAR(30)   NOT NULL,
    marc_rec_no       VARCHAR(20),
    chk_batch_no      VARCHAR(20),
    move_batch        VARCHAR(20),
    price             NUMERIC(12,2),
    real_price        NUMERIC(12,2),
    location          VARCHAR(20),
    fund_src_code     VARCHAR(4),
    bala_flag         VARCHAR(1),
    call_no           VARCHAR(60),
    remark            VARCHAR(200),
    carrier_code      VARCHAR(2),
    bar_code          VARCHAR(30),
    in_date           VARCHAR(19),
    book_stat_code    VARCHAR(2),
    rec_flag_upt_date VARCHAR(19),
    get_mode_code     VARCHAR(2),
    vol_peri          VARCHAR(60),
    resp_wkr          VARCHAR(20),
    year              VARCHAR(20),
    attachment        VARCHAR(200),
    dis_location      VARCHAR(20),
    cur_loca          VARCHAR(20),
    asord_no          VARCHAR(30),
    shelf_no          VARCHAR(40),
    indi_opac_flag    VARCHAR(1),
    reg_day           VARCHAR(19),
    check_time        VARCHAR(19),
    CONSTRAINT PK_INDI_ACCT PRIMARY KEY (prop_no),
    CONSTRAINT INDI_BARCODE_IDX UNIQUE (bar_code),
    CONSTRAINT FK_INDI_ACCT_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no)
);
CREATE INDEX IDX_INDI_ACCT_REC ON indi_acct (marc_rec_no);
CREATE INDEX IDX_INDI_ACCT_MOVE_BATCH ON indi_acct (move_batch, marc_rec_no);
CREATE INDEX IDX_INDI_ACCT_LOCA_STAT ON indi_acct (dis_location, book_stat_code);
CREATE INDEX IDX_INDI_ACCT_ASORD ON indi_acct (asord_no);

-- The circulation copy of a copy released to circulation. The 22 columns, in
-- this order, are the positions of update01_item and insert_item (1 prop_no,
-- 4 location, 7 book_stat_code, 8 book_lend_flag, 17 rec_flag_upt_date,
-- 22 resp_wkr are fixed by their callers): do not reorder them.
CREATE TABLE item (
    prop_no           VARCHAR(30)   NOT NULL,
    marc_rec_no       VARCHAR(20),
    call_no           VARCHAR(60),
    location          VARCHAR(20),
    bar_code          VARCHAR(30),
    carrier_code      VARCHAR(2),
    book_stat_code    VARCHAR(2),
    book_lend_flag    VARCHAR(1),
    year              VARCHAR(20),
    vol_peri          VARCHAR(60),
    price             NUMERIC(12,2),
    attachment        VARCHAR(200),
    in_date           VARCHAR(19),
    year_circ_times   INTEGER DEFAULT 0,
    total_circ_times  INTEGER DEFAULT 0,
    fst_use_date      VARCHAR(19),
    rec_flag_upt_date VARCHAR(19),
    last_use_date     VARCHAR(19),
    reg_day           VARCHAR(19),
    lend_grd          VARCHAR(2),
    remark            VARCHAR(200),
    resp_wkr          VARCHAR(20),
    CONSTRAINT PK_ITEM PRIMARY KEY (prop_no),
    CONSTRAINT FK_ITEM_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
CREATE INDEX IDX_ITEM_BAR_CODE ON item (bar_code);
CREATE INDEX IDX_ITEM_REC ON item (marc_rec_no);
CREATE INDEX IDX_ITEM_CALL_NO ON item (call_no);
CREATE INDEX IDX_ITEM_LOCA_STAT ON item (location, book_stat_code);

-- ---------------------------------------------------------------------------
-- Handover from cataloguing, processing log and batches
-- ---------------------------------------------------------------------------

-- One row per title and acceptance batch of a handover batch.
CREATE TABLE transfer_doc (
    move_batch      VARCHAR(20)  NOT NULL,
    chk_batch_no    VARCHAR(20),
    marc_rec_no     VARCHAR(20)  NOT NULL,
    copys           INTEGER,
    store_flag      VARCHAR(1),
    send_store_date VARCHAR(19),
    store_wkr       VARCHAR(20),
    cata_flag       VARCHAR(1),
    remark          VARCHAR(200),
    CONSTRAINT UK_TRANSFER_DOC UNIQUE (move_batch, marc_rec_no, chk_batch_no),
    CONSTRAINT FK_TRANSFER_DOC_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no)
);
CREATE INDEX IDX_TRANSFER_DOC_REC ON transfer_doc (marc_rec_no);
CREATE INDEX IDX_TRANSFER_DOC_DATE ON transfer_doc (send_store_date);

-- A batch number is unique within its processing type (at any location).
CREATE TABLE deal_batch_lst (
    deal_batch_no  VARCHAR(20)  NOT NULL,
    location       VARCHAR(20)  NOT NULL,
    deal_type_code VARCHAR(2)   NOT NULL,
    deal_bgn_date  VARCHAR(19),
    deal_end_date  VARCHAR(19),
    deal_stat_flag VARCHAR(1),
    resp_wkr       VARCHAR(20),
    remark         VARCHAR(200),
    CONSTRAINT PK_DEAL_BATCH_LST PRIMARY KEY (deal_batch_no, deal_type_code)
);
CREATE INDEX IDX_DEAL_BATCH_LST_LOCA ON deal_batch_lst (location, deal_type_code);

-- A copy stands at most once in one batch.
CREATE TABLE deal_log (
    deal_no        INTEGER       NOT NULL,
    location       VARCHAR(20)   NOT NULL,
    deal_batch_no  VARCHAR(20)   NOT NULL,
    deal_type_code VARCHAR(2)    NOT NULL,
    prop_no        VARCHAR(30)   NOT NULL,
    log_date       VARCHAR(19),
    fee            NUMERIC(12,2),
    book_target    VARCHAR(200),
    source_state   VARCHAR(2),
    resp_wkr       VARCHAR(20),
    remark         VARCHAR(200),
    CONSTRAINT PK_DEAL_LOG PRIMARY KEY (deal_no),
    CONSTRAINT UK_DEAL_LOG UNIQUE (location, deal_batch_no, deal_type_code, prop_no),
    CONSTRAINT FK_DEAL_LOG_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
CREATE INDEX IDX_DEAL_LOG_PROP ON deal_log (prop_no, deal_type_code);
CREATE INDEX IDX_DEAL_LOG_BATCH ON deal_log (deal_batch_no, deal_type_code);

-- ---------------------------------------------------------------------------
-- Transfers between locations
-- ---------------------------------------------------------------------------

CREATE TABLE goto_batch (
    batch_no      VARCHAR(20)  NOT NULL,
    batch_type    VARCHAR(1),
    src_loca      VARCHAR(20),
    dst_loca      VARCHAR(20),
    doc_type_code VARCHAR(2),
    remark        VARCHAR(200),
    deal_date     VARCHAR(19),
    wkr_no        VARCHAR(20),
    CONSTRAINT PK_GOTO_BATCH PRIMARY KEY (batch_no)
);
CREATE INDEX IDX_GOTO_BATCH_DATE ON goto_batch (deal_date);

-- deal_no comes from s_deal_log for copies transferred one by one and stays
-- empty for a whole location moved by one statement.
CREATE TABLE goto_detl (
    batch_no      VARCHAR(20)  NOT NULL,
    prop_no       VARCHAR(30)  NOT NULL,
    src_book_stat VARCHAR(2),
    dst_book_stat VARCHAR(2),
    deal_date     VARCHAR(19),
    wkr_no        VARCHAR(20),
    src_loca      VARCHAR(20),
    deal_no       INTEGER,
    CONSTRAINT FK_GOTO_DETL_REFERENCE_GOTO_BATCH FOREIGN KEY (batch_no) REFERENCES goto_batch (batch_no),
    CONSTRAINT FK_GOTO_DETL_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
CREATE INDEX IDX_GOTO_DETL_BATCH ON goto_detl (batch_no);
CREATE INDEX IDX_GOTO_DETL_PROP ON goto_detl (prop_no);

-- ---------------------------------------------------------------------------
-- Stock-taking
-- ---------------------------------------------------------------------------

CREATE TABLE count_data (
    count_batch_no VARCHAR(20)   NOT NULL,
    location       VARCHAR(20),
    count_date     VARCHAR(19),
    finish_flag    VARCHAR(1),
    count_class    VARCHAR(1000),
    resp_wkr       VARCHAR(20),
    remark         VARCHAR(200),
    CONSTRAINT PK_COUNT_DATA PRIMARY KEY (count_batch_no)
);
CREATE INDEX IDX_COUNT_DATA_LOCA ON count_data (location, finish_flag);

-- A copy found is recorded at most once per batch.
CREATE TABLE wait_count_lst (
    count_batch_no VARCHAR(20) NOT NULL,
    prop_no        VARCHAR(30) NOT NULL,
    location       VARCHAR(20),
    count_date     VARCHAR(19),
    CONSTRAINT PK_WAIT_COUNT_LST PRIMARY KEY (count_batch_no, prop_no),
    CONSTRAINT FK_WAIT_COUNT_LST_REFERENCE_COUNT_DATA FOREIGN KEY (count_batch_no) REFERENCES count_data (count_batch_no),
    CONSTRAINT FK_WAIT_COUNT_LST_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
-- A copy's rows found without reading the whole list (the foreign key's
-- check when a copy is deleted, a copy's history).
CREATE INDEX IDX_WAIT_COUNT_LST_PROP ON wait_count_lst (prop_no);

-- Results of a count: flag 0 missing, 1 abnormal, 2 of another location or
-- class; one row per copy and result.
CREATE TABLE count_lost_copy (
    count_date     VARCHAR(19),
    location       VARCHAR(20),
    prop_no        VARCHAR(30) NOT NULL,
    flag           VARCHAR(1)  NOT NULL,
    count_batch_no VARCHAR(20) NOT NULL,
    CONSTRAINT PK_COUNT_LOST_COPY PRIMARY KEY (count_batch_no, prop_no, flag),
    CONSTRAINT FK_COUNT_LOST_COPY_REFERENCE_COUNT_DATA FOREIGN KEY (count_batch_no) REFERENCES count_data (count_batch_no),
    CONSTRAINT FK_COUNT_LOST_COPY_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
CREATE INDEX IDX_COUNT_LOST_COPY_LOCA ON count_lost_copy (location, flag, prop_no);
CREATE INDEX IDX_COUNT_LOST_COPY_PROP ON count_lost_copy (prop_no);

-- ---------------------------------------------------------------------------
-- Readers and circulation (kept by the circulation client; read here)
-- ---------------------------------------------------------------------------

-- Column order matters to the positional reader procedures: position 25 is
-- the cancellation reason, 27 the cancellation day, 29 the reader flag.
CREATE TABLE reader (
    cert_id         VARCHAR(30)   NOT NULL,
    name            VARCHAR(60),
    sex             VARCHAR(1),
    birthday        VARCHAR(19),
    id_card         VARCHAR(30),
    redr_type_code  VARCHAR(4),
    lend_grd        VARCHAR(2),
    dept            VARCHAR(100),
    r_dep_id        VARCHAR(10),
    occupation      VARCHAR(60),
    duty            VARCHAR(60),
    address         VARCHAR(200),
    postcode        VARCHAR(10),
    tele            VARCHAR(40),
    email           VARCHAR(100),
    reg_day         VARCHAR(19),
    valid_day       VARCHAR(19),
    deposit         NUMERIC(12,2),
    debt_amt        NUMERIC(12,2),
    volt_flag       VARCHAR(1),
    debt_flag       VARCHAR(1),
    code01          VARCHAR(60),
    code02          VARCHAR(60),
    code08          VARCHAR(60),
    redr_del_reason VARCHAR(200),
    redr_del_wkr    VARCHAR(20),
    redr_del_day    VARCHAR(19),
    upt_day         VARCHAR(19),
    redr_flag       VARCHAR(1),
    resp_wkr        VARCHAR(20),
    remark          VARCHAR(200),
    CONSTRAINT PK_READER PRIMARY KEY (cert_id)
);
CREATE INDEX IDX_READER_NAME ON reader (name);
CREATE INDEX IDX_READER_ID_CARD ON reader (id_card);

-- A reader's cards; position 7 is the card flag ('0' = not valid).
CREATE TABLE reader_cert (
    redr_cert_id VARCHAR(30)   NOT NULL,
    cert_id      VARCHAR(30)   NOT NULL,
    cert_type    VARCHAR(2),
    issue_date   VARCHAR(19),
    valid_date   VARCHAR(19),
    deposit      NUMERIC(12,2),
    cert_flag    VARCHAR(1),
    oper_date    VARCHAR(19),
    resp_wkr     VARCHAR(20),
    remark       VARCHAR(200),
    CONSTRAINT PK_READER_CERT PRIMARY KEY (redr_cert_id),
    CONSTRAINT FK_READER_CERT_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_READER_CERT_READER ON reader_cert (cert_id);

-- Open loans: a copy is lent at most once at a time.
CREATE TABLE lend_lst (
    prop_no       VARCHAR(30)  NOT NULL,
    cert_id       VARCHAR(30)  NOT NULL,
    location_f    VARCHAR(20),
    lend_date     VARCHAR(19),
    norm_ret_date VARCHAR(19),
    renew_date    VARCHAR(19),
    renew_times   INTEGER DEFAULT 0,
    asback_date   VARCHAR(19),
    asback_times  INTEGER DEFAULT 0,
    attachment    VARCHAR(200),
    rule_no_f     VARCHAR(10),
    pda_flag      VARCHAR(1),
    resp_wkr      VARCHAR(20),
    CONSTRAINT PK_LEND_LST PRIMARY KEY (prop_no),
    CONSTRAINT FK_LEND_LST_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES item (prop_no),
    CONSTRAINT FK_LEND_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_LEND_LST_READER ON lend_lst (cert_id);

-- Loan history keeps rows of copies and readers long gone: no foreign keys.
CREATE TABLE lend_hist (
    prop_no_f     VARCHAR(30),
    cert_id_f     VARCHAR(30),
    marc_rec_no_f VARCHAR(20),
    location_f    VARCHAR(20),
    cls_id        VARCHAR(2),
    lend_date     VARCHAR(19),
    norm_ret_date VARCHAR(19),
    ret_date      VARCHAR(19),
    excd_days     INTEGER,
    renew_date    VARCHAR(19),
    renew_times   INTEGER,
    asback_date   VARCHAR(19),
    asback_times  INTEGER,
    attachment    VARCHAR(200),
    preg_flag     VARCHAR(1),
    rele_flag     VARCHAR(1),
    copy_flag     VARCHAR(1),
    rule_no_f     VARCHAR(10),
    pda_flag      VARCHAR(1),
    code1         VARCHAR(20),
    code2         VARCHAR(20),
    resp_wkr      VARCHAR(20),
    ret_wkr       VARCHAR(20)
);
CREATE INDEX IDX_LEND_HIST_PROP ON lend_hist (prop_no_f, ret_date);
CREATE INDEX IDX_LEND_HIST_READER ON lend_hist (cert_id_f);

CREATE TABLE lend_hist_bak (
    prop_no_f     VARCHAR(30),
    cert_id_f     VARCHAR(30),
    marc_rec_no_f VARCHAR(20),
    location_f    VARCHAR(20),
    cls_id        VARCHAR(2),
    lend_date     VARCHAR(19),
    norm_ret_date VARCHAR(19),
    ret_date      VARCHAR(19),
    excd_days     INTEGER,
    renew_date    VARCHAR(19),
    renew_times   INTEGER,
    asback_date   VARCHAR(19),
    asback_times  INTEGER,
    attachment    VARCHAR(200),
    preg_flag     VARCHAR(1),
    rele_flag     VARCHAR(1),
    copy_flag     VARCHAR(1),
    rule_no_f     VARCHAR(10),
    pda_flag      VARCHAR(1),
    code1         VARCHAR(20),
    code2         VARCHAR(20),
    resp_wkr      VARCHAR(20),
    ret_wkr       VARCHAR(20)
);
CREATE INDEX IDX_LEND_HIST_BAK_PROP ON lend_hist_bak (prop_no_f, ret_date);

-- Reservations by call number and pick-up location.
CREATE TABLE preg_lst (
    preg_no        VARCHAR(20),
    cert_id        VARCHAR(30),
    call_no        VARCHAR(60)  NOT NULL,
    location       VARCHAR(20),
    preg_date      VARCHAR(19),
    preg_end_date  VARCHAR(19),
    preg_keep_days INTEGER,
    take_location  VARCHAR(20),
    preg_send_addr VARCHAR(200),
    send_time      VARCHAR(40),
    take_campus    VARCHAR(10),
    preg_flag      VARCHAR(1),
    resp_wkr       VARCHAR(20),
    CONSTRAINT UK_PREG_LST UNIQUE (preg_no),
    CONSTRAINT FK_PREG_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id),
    CONSTRAINT FK_PREG_LST_REFERENCE_CALL FOREIGN KEY (call_no) REFERENCES call_no_lst (call_no)
);
CREATE INDEX IDX_PREG_LST_CALL_LOCA ON preg_lst (call_no, location);
CREATE INDEX IDX_PREG_LST_READER ON preg_lst (cert_id);

-- Reserved copies that have arrived and wait for their reader.
CREATE TABLE preg_arri_lst (
    prop_no            VARCHAR(30)  NOT NULL,
    cert_id            VARCHAR(30),
    preg_no            VARCHAR(20),
    location_f         VARCHAR(20),
    preg_arri_date     VARCHAR(19),
    noti_send_date     VARCHAR(19),
    keep_end_date      VARCHAR(19),
    preg_keep_days     INTEGER,
    take_location      VARCHAR(20),
    preg_send_addr     VARCHAR(200),
    send_time          VARCHAR(40),
    take_campus        VARCHAR(10),
    pregarri_deal_flag VARCHAR(1),
    take_flag          VARCHAR(1),
    resp_wkr           VARCHAR(20),
    CONSTRAINT FK_PREG_ARRI_LST_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES item (prop_no),
    CONSTRAINT FK_PREG_ARRI_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_PREG_ARRI_LST_PROP ON preg_arri_lst (prop_no);
CREATE INDEX IDX_PREG_ARRI_LST_LOCA ON preg_arri_lst (location_f);
CREATE INDEX IDX_PREG_ARRI_LST_READER ON preg_arri_lst (cert_id);

-- Losses and compensations (recoup_type '2': the reader owes a replacement).
CREATE TABLE lost_recoup_lst (
    prop_no         VARCHAR(30)  NOT NULL,
    cert_id         VARCHAR(30),
    recoup_date     VARCHAR(19),
    src_price       NUMERIC(12,2),
    tech_fee        NUMERIC(12,2),
    serv_fee        NUMERIC(12,2),
    real_recoup_amt NUMERIC(12,2),
    bill_no         VARCHAR(30),
    recoup_type     VARCHAR(1),
    recoup_flag     VARCHAR(1),
    resp_wkr        VARCHAR(20),
    remark          VARCHAR(200),
    CONSTRAINT FK_LOST_RECOUP_LST_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no),
    CONSTRAINT FK_LOST_RECOUP_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_LOST_RECOUP_LST_PROP ON lost_recoup_lst (prop_no);
CREATE INDEX IDX_LOST_RECOUP_LST_READER ON lost_recoup_lst (cert_id);

CREATE TABLE reader_volt_lst (
    cert_id        VARCHAR(30),
    prop_no        VARCHAR(30),
    volt_code      VARCHAR(4),
    punish_date    VARCHAR(19),
    real_fine_amt  NUMERIC(12,2),
    bill_no        VARCHAR(30),
    fine_date      VARCHAR(19),
    froz_end_date  VARCHAR(19),
    volt_deal_flag VARCHAR(1),
    resp_wkr       VARCHAR(20),
    remark         VARCHAR(200),
    CONSTRAINT FK_READER_VOLT_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_READER_VOLT_LST_PROP ON reader_volt_lst (prop_no);
CREATE INDEX IDX_READER_VOLT_LST_READER ON reader_volt_lst (cert_id);

CREATE TABLE exceed_fine_lst (
    cert_id        VARCHAR(30),
    prop_no        VARCHAR(30),
    lend_date      VARCHAR(19),
    ret_date       VARCHAR(19),
    norm_ret_date  VARCHAR(19),
    fine_amt       NUMERIC(12,2),
    real_fine_amt  NUMERIC(12,2),
    bill_no        VARCHAR(30),
    fine_date      VARCHAR(19),
    debt_deal_flag VARCHAR(1),
    time_unit      VARCHAR(1),
    resp_wkr       VARCHAR(20),
    remark         VARCHAR(200),
    CONSTRAINT FK_EXCEED_FINE_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_EXCEED_FINE_LST_PROP ON exceed_fine_lst (prop_no);
CREATE INDEX IDX_EXCEED_FINE_LST_READER ON exceed_fine_lst (cert_id);

-- Delegated loans: requests by call number, and copies waiting.
CREATE TABLE relegate_lst (
    relegate_no       VARCHAR(20),
    cert_id           VARCHAR(30),
    call_no           VARCHAR(60)  NOT NULL,
    location          VARCHAR(20),
    relegate_date     VARCHAR(19),
    relegate_end_date VARCHAR(19),
    take_location     VARCHAR(20),
    rele_flag         VARCHAR(1),
    resp_wkr          VARCHAR(20),
    remark            VARCHAR(200),
    CONSTRAINT FK_RELEGATE_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id),
    CONSTRAINT FK_RELEGATE_LST_REFERENCE_CALL FOREIGN KEY (call_no) REFERENCES call_no_lst (call_no)
);
CREATE INDEX IDX_RELEGATE_LST_CALL ON relegate_lst (call_no);
CREATE INDEX IDX_RELEGATE_LST_READER ON relegate_lst (cert_id);

CREATE TABLE relegate_arri_lst (
    prop_no            VARCHAR(30)  NOT NULL,
    cert_id            VARCHAR(30),
    relegate_no        VARCHAR(20),
    location_f         VARCHAR(20),
    relegate_arri_date VARCHAR(19),
    keep_end_date      VARCHAR(19),
    take_location      VARCHAR(20),
    deal_flag          VARCHAR(1),
    resp_wkr           VARCHAR(20),
    CONSTRAINT FK_RELEGATE_ARRI_LST_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES item (prop_no),
    CONSTRAINT FK_RELEGATE_ARRI_LST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_RELEGATE_ARRI_LST_PROP ON relegate_arri_lst (prop_no);

-- Transport of copies between campuses.
CREATE TABLE transport_batch (
    batch_no      VARCHAR(20)  NOT NULL,
    source_campus VARCHAR(10),
    target_campus VARCHAR(10),
    batch_type    VARCHAR(1),
    batch_flag    VARCHAR(1),
    create_date   VARCHAR(19),
    resp_wkr      VARCHAR(20),
    CONSTRAINT PK_TRANSPORT_BATCH PRIMARY KEY (batch_no)
);

CREATE TABLE transport_detl (
    batch_no  VARCHAR(20)  NOT NULL,
    prop_no   VARCHAR(30)  NOT NULL,
    book_flag VARCHAR(1),
    send_date VARCHAR(19),
    send_oper VARCHAR(20),
    send_loca VARCHAR(20),
    rece_date VARCHAR(19),
    rece_oper VARCHAR(20),
    rece_loca VARCHAR(20),
    CONSTRAINT FK_TRANSPORT_DETL_REFERENCE_TRANSPORT_BATCH FOREIGN KEY (batch_no) REFERENCES transport_batch (batch_no),
    CONSTRAINT FK_TRANSPORT_DETL_REFERENCE_ITEM FOREIGN KEY (prop_no) REFERENCES indi_acct (prop_no)
);
CREATE INDEX IDX_TRANSPORT_DETL_PROP ON transport_detl (prop_no);
CREATE INDEX IDX_TRANSPORT_DETL_BATCH ON transport_detl (batch_no);

-- Readers' purchase recommendations and suggestions, tied to an order.
CREATE TABLE recm_doc (
    asord_no      VARCHAR(30),
    cert_id       VARCHAR(30),
    m_title       VARCHAR(1000),
    m_author      VARCHAR(500),
    m_publisher   VARCHAR(300),
    isbn          VARCHAR(30),
    recm_date     VARCHAR(19),
    dc_reply_flag VARCHAR(1),
    remark        VARCHAR(200),
    CONSTRAINT FK_RECM_DOC_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_RECM_DOC_ASORD ON recm_doc (asord_no);

CREATE TABLE suggest (
    asord_no      VARCHAR(30),
    cert_id       VARCHAR(30),
    m_title       VARCHAR(1000),
    m_author      VARCHAR(500),
    m_publisher   VARCHAR(300),
    isbn          VARCHAR(30),
    suggest_date  VARCHAR(19),
    dc_reply_flag VARCHAR(1),
    remark        VARCHAR(200),
    CONSTRAINT FK_SUGGEST_REFERENCE_READER FOREIGN KEY (cert_id) REFERENCES reader (cert_id)
);
CREATE INDEX IDX_SUGGEST_ASORD ON suggest (asord_no);

-- Outgoing mail; type_code 306 recommendation, 305 suggestion.
CREATE TABLE mail_data (
    cert_id     VARCHAR(30),
    name        VARCHAR(60),
    email       VARCHAR(100),
    type_code   VARCHAR(3),
    get_date    VARCHAR(19),
    server_date VARCHAR(19),
    m_title     VARCHAR(1000),
    m_author    VARCHAR(500),
    marc_rec_no VARCHAR(20),
    m_call_no   VARCHAR(60),
    loca_name   VARCHAR(60),
    prop_no     VARCHAR(30),
    send_flag   VARCHAR(1),
    send_date   VARCHAR(19)
);
CREATE INDEX IDX_MAIL_DATA_DATE ON mail_data (server_date);

-- ---------------------------------------------------------------------------
-- Virtual shelves
-- ---------------------------------------------------------------------------

CREATE TABLE virtual_shelf_class (
    class_id     VARCHAR(10)   NOT NULL,
    class_name   VARCHAR(100),
    class_remark VARCHAR(500),
    book_count   INTEGER DEFAULT 0,
    in_date      VARCHAR(19),
    user_id      VARCHAR(20),
    user_type    VARCHAR(1),
    class_order  INTEGER,
    CONSTRAINT PK_VIRTUAL_SHELF_CLASS PRIMARY KEY (class_id)
);

-- A title stands at most once on a shelf.
CREATE TABLE virtual_shelf_book (
    class_id    VARCHAR(10)   NOT NULL,
    marc_rec_no VARCHAR(20)   NOT NULL,
    m_title     VARCHAR(1000),
    m_author    VARCHAR(500),
    m_publisher VARCHAR(300),
    m_pub_year  VARCHAR(20),
    m_call_no   VARCHAR(60),
    in_date     VARCHAR(19),
    book_order  INTEGER,
    remark      VARCHAR(1000),
    CONSTRAINT PK_VIRTUAL_SHELF_BOOK PRIMARY KEY (class_id, marc_rec_no),
    CONSTRAINT FK_VS_BOOK_REFERENCE_VS_CLASS FOREIGN KEY (class_id) REFERENCES virtual_shelf_class (class_id),
    CONSTRAINT FK_VS_BOOK_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no)
);

-- ---------------------------------------------------------------------------
-- Statistics templates
-- ---------------------------------------------------------------------------

CREATE TABLE stat_type_code (
    stat_type_code VARCHAR(10)  NOT NULL,
    stat_type_name VARCHAR(60),
    CONSTRAINT PK_STAT_TYPE_CODE PRIMARY KEY (stat_type_code)
);

CREATE TABLE stat_type_detl (
    stat_type_code VARCHAR(10)  NOT NULL,
    sub_stat_code  VARCHAR(10)  NOT NULL,
    sub_stat_name  VARCHAR(100),
    code_use_flag  VARCHAR(1),
    CONSTRAINT PK_STAT_TYPE_DETL PRIMARY KEY (stat_type_code, sub_stat_code)
);

CREATE TABLE stat_cls_comp (
    stat_type_code VARCHAR(10)   NOT NULL,
    sub_stat_code  VARCHAR(10)   NOT NULL,
    cls_id         VARCHAR(2)    NOT NULL,
    comp_cls       VARCHAR(1000),
    CONSTRAINT PK_STAT_CLS_COMP PRIMARY KEY (stat_type_code, sub_stat_code, cls_id)
);

CREATE TABLE stat_template (
    template_no   VARCHAR(10)  NOT NULL,
    cls_id        VARCHAR(2)   NOT NULL,
    template_name VARCHAR(60),
    CONSTRAINT PK_STAT_TEMPLATE PRIMARY KEY (template_no, cls_id)
);

-- ---------------------------------------------------------------------------
-- Sequences
-- ---------------------------------------------------------------------------

-- Processing-log and transfer-row numbers.
CREATE SEQUENCE s_deal_log START WITH 1;
