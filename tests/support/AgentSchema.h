#pragma once
// Fixture schemas for the back-office database of a test (T-SQL for the test ODBC driver):
// the agent's tables that the back-office product provides, and the back-office objects the
// agent reads. spf_t_sys_system is left out: the agent creates it itself.
#include <string>

namespace vqtest {

class TestOdbc;

// spf_t_trans_table, spf_t_trans_record, spf_t_pos_master, spf_t_pos_detail, spf_t_pos_pay and
// spf_t_pos_vip_info, one column per property of the record classes.
[[nodiscard]] const std::string& AgentTablesTsql();
// sys_t_system, vq_tab_tabledesc, bi_t_datadelete and sys_t_image (empty), plus the
// procedures pr_spf_soft_pos_data and pr_spf_soft_pos_vip and the functions
// fn_spf_soft_get_distributed and fn_spf_soft_get_branch_no registered on the server.
[[nodiscard]] const std::string& BackOfficeTablesTsql();

// Applies both to the database; throws std::runtime_error with the driver's message on failure.
void ApplyAgentSchema(TestOdbc& db);

}  // namespace vqtest
