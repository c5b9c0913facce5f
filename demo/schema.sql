-- Demo schema: a small company, as an Oracle DBA would write it.
-- Load with: ocilite-load DEMO.sqlite < demo/schema.sql   (service DEMO, user demo/demo)

CREATE USER demo IDENTIFIED BY demo
  DEFAULT TABLESPACE users QUOTA UNLIMITED ON users;
GRANT CONNECT, RESOURCE TO demo;

/* Departments: a named primary key, an unnamed unique key, defaults of every kind. */
CREATE TABLE demo.departments (
  dept_id     NUMBER(4)          CONSTRAINT pk_departments PRIMARY KEY,
  name        VARCHAR2(60 CHAR)  NOT NULL UNIQUE,
  location    NVARCHAR2(40),
  budget      NUMBER(12,2)       DEFAULT 0,
  created_on  DATE               DEFAULT SYSDATE NOT NULL,
  motto       VARCHAR2(100)      DEFAULT 'We''re the best'
);

CREATE TABLE employees (
  emp_id      NUMBER(6),
  dept_id     NUMBER(4)          NOT NULL,
  manager_id  NUMBER(6),
  first_name  VARCHAR2(40),
  last_name   VARCHAR2(40 BYTE)  NOT NULL,
  email       VARCHAR2(100),
  country     CHAR(2)            DEFAULT 'FR',
  grade       NCHAR(3),
  salary      NUMBER(8,2),
  commission  NUMBER(5,5),
  bonus_rate  FLOAT(63),
  headcount   INTEGER,
  hire_date   DATE,                          -- dates only
  shift_start DATE,                          -- times of day only
  last_login  TIMESTAMP(3),
  status      VARCHAR2(20)       DEFAULT 'active' NOT NULL,
  CONSTRAINT pk_employees PRIMARY KEY (emp_id),
  CONSTRAINT uq_employees_email UNIQUE (email),
  CONSTRAINT fk_emp_dept FOREIGN KEY (dept_id) REFERENCES departments (dept_id) ON DELETE CASCADE,
  CONSTRAINT fk_emp_manager FOREIGN KEY (manager_id) REFERENCES employees ON DELETE SET NULL
);

CREATE INDEX ix_employees_name ON employees (last_name, first_name);
CREATE INDEX ix_employees_dept ON employees (dept_id);

/* Documents: the LOB, binary, time-zone and interval types. */
CREATE TABLE documents (
  doc_id        INTEGER PRIMARY KEY,
  emp_id        NUMBER(6) REFERENCES employees,
  title         NVARCHAR2(100) NOT NULL,
  body          CLOB,
  summary       NCLOB,
  attachment    BLOB,
  thumbnail     RAW(16),
  external_file BFILE,
  created_at    TIMESTAMP WITH TIME ZONE,
  reviewed_at   TIMESTAMP(6) WITH LOCAL TIME ZONE,
  retention     INTERVAL YEAR(2) TO MONTH,
  review_time   INTERVAL DAY(3) TO SECOND(2),
  size_bytes    NUMBER,
  score         BINARY_DOUBLE,
  ratio         BINARY_FLOAT,
  big_number    NUMBER(38),
  rounded_to_hundreds NUMBER(10,-2)
);

CREATE UNIQUE INDEX ux_documents_title ON documents (title);

/* The audit log: DATE values with both a date and a time, LONG text, ROWID. */
CREATE TABLE audit_log (
  log_id      NUMBER(10) PRIMARY KEY,
  logged_at   DATE NOT NULL,
  source_row  ROWID,
  action      CHAR(6 CHAR),
  details     LONG
);

CREATE TABLE legacy_images (
  image_id    NUMBER(5) PRIMARY KEY,
  image       LONG RAW,
  caption     VARCHAR2(100)
);

-- Quoted names keep their case: "Id" and "id" are two columns.
CREATE TABLE "MixedCase" (
  "Id"        NUMBER(5) PRIMARY KEY,
  "id"        VARCHAR2(10),
  "Full Name" VARCHAR2(30)
);

CREATE VIEW employee_directory AS
  SELECT e.emp_id, e.first_name || ' ' || e.last_name AS full_name, d.name AS department
  FROM employees e JOIN departments d ON d.dept_id = e.dept_id;

CREATE VIEW department_headcount (dept_id, headcount) AS
  SELECT dept_id, COUNT(*) FROM employees GROUP BY dept_id;

INSERT INTO departments (dept_id, name, location, budget, created_on)
  VALUES (10, 'Administration', N'Paris', 125000.5, TO_DATE('2001-03-15', 'YYYY-MM-DD'));
INSERT INTO departments (dept_id, name, location, budget, created_on)
  VALUES (20, 'Recherche & Développement', N'Zürich', 2500000, DATE '2003-09-01');
INSERT INTO departments (dept_id, name, location, budget, created_on)
  VALUES (30, '東京支社', N'東京', .75, TO_DATE('15-MAR-2005 10:20:30', 'DD-MON-YYYY HH24:MI:SS'));
INSERT INTO departments (dept_id, name, location) VALUES (40, 'Support 🎧', NULL);
COMMIT;

INSERT INTO employees (emp_id, dept_id, manager_id, first_name, last_name, email, grade, salary,
                       commission, bonus_rate, headcount, hire_date, shift_start, last_login)
  VALUES (100, 10, NULL, 'Émilie', 'Durand', 'emilie.durand@example.com', N'A1', 8200,
          .12345, 0.5, 12, DATE '1998-06-01', OCILITE_TIME('08:30:00'),
          TIMESTAMP '2024-01-15 09:15:30.125');
INSERT INTO employees (emp_id, dept_id, manager_id, first_name, last_name, email, grade, salary,
                       commission, bonus_rate, headcount, hire_date, shift_start, last_login)
  VALUES (101, 20, 100, 'José', 'Núñez', 'jose.nunez@example.com', N'B2', 6100.255,
          NULL, 1.25E-2, NULL, TO_DATE('02/01/2004', 'MM/DD/YYYY'), OCILITE_TIME('22:00:00'), NULL);
INSERT INTO employees (emp_id, dept_id, manager_id, first_name, last_name, email, country, grade,
                       salary, hire_date, shift_start)
  VALUES (102, 30, 100, '花子', '山田', 'hanako.yamada@example.jp', 'JP', N'C',
          450000, DATE '2010-04-01', OCILITE_TIME('09:00:00'));
INSERT INTO employees (emp_id, dept_id, manager_id, first_name, last_name, email, salary, status)
  VALUES (103, 40, 101, NULL, 'O''Connor', NULL, NULL, 'on leave');
-- Generated staff: 200 employees from the row number.
INSERT INTO employees (emp_id, dept_id, manager_id, first_name, last_name, email, salary, hire_date, shift_start)
  SELECT 1000 + LEVEL, MOD(LEVEL, 4) * 10 + 10, 100, 'Staff' || LEVEL, 'Member ' || LPAD(TO_CHAR(LEVEL), 3, '0'),
         'staff' || LEVEL || '@example.com', 3000 + MOD(LEVEL * 37, 1000) + .5,
         DATE '2015-01-01' + LEVEL * 3, OCILITE_TIME('07:00:00')
  FROM DUAL CONNECT BY LEVEL <= 200;
COMMIT;

INSERT INTO documents (doc_id, emp_id, title, body, summary, attachment, thumbnail, external_file,
                       created_at, reviewed_at, retention, review_time, size_bytes, score, ratio,
                       big_number, rounded_to_hundreds)
  SELECT 1, 100, N'Handbook — édition 2024',
         RPAD('Chapter 1. ', 72000, 'All work and no play makes a long document. '),
         N'Résumé: règles, congés, 休暇 and 🎉',
         OCILITE_RANDOM_BYTES(70000, 42),
         HEXTORAW('89504E470D0A1A0A'),
         BFILENAME('DOC_DIR', 'handbook.pdf'),
         TIMESTAMP '2024-02-29 13:45:00.5 +02:00',
         TIMESTAMP '2024-03-01 08:00:00',
         INTERVAL '5-6' YEAR TO MONTH,
         INTERVAL '12 03:04:05.25' DAY TO SECOND,
         72000, 3.14159265358979, 0.25,
         12345678901234567890123456789012345678,
         123456
  FROM DUAL;
INSERT INTO documents (doc_id, emp_id, title, body, attachment, size_bytes)
  VALUES (2, 101, N'Empty attachment', EMPTY_CLOB(), EMPTY_BLOB(), 0);
INSERT INTO documents (doc_id, emp_id, title) VALUES (3, NULL, N'Untitled');

INSERT INTO audit_log VALUES (1, TO_DATE('2024-05-01 12:00:01', 'YYYY-MM-DD HH24:MI:SS'), 'AAAR3sAAEAAAACXAAA', 'LOGIN', 'User logged in from 10.0.0.1');
INSERT INTO audit_log VALUES (2, TO_DATE('2024-05-01 23:59:59', 'YYYY-MM-DD HH24:MI:SS'), NULL, 'LOGOUT', NULL);
INSERT INTO audit_log (log_id, logged_at, action, details)
  SELECT 100 + LEVEL, TO_DATE('2024-06-01', 'YYYY-MM-DD') + LEVEL / 24, 'TICK', 'Hourly tick #' || LEVEL
  FROM DUAL CONNECT BY LEVEL <= 48;

INSERT INTO legacy_images VALUES (1, HEXTORAW('01AB'), 'Two bytes');
INSERT INTO legacy_images VALUES (2, NULL, 'No image');

INSERT INTO "MixedCase" ("Id", "id", "Full Name") VALUES (1, 'one', 'Ada Lovelace');
INSERT INTO "MixedCase" ("Id", "id", "Full Name") VALUES (2, NULL, '');
COMMIT;
